#include "speech/speech_startup.h"

#include <climits>

#include "console/console.h"
#include "platform/platform.h"
#include "recorded/diphone_synth.h"
#include "speech/engine_dispatch.h"
#include "speech/settings_lookup.h"
#include "speech/speech_prompts.h"
#include "speech/speech_state.h"

namespace speech {

namespace {

struct StartupState {
  SpeedSettings speed;
  std::optional<EngineRequest> engineRequest;
};

StartupState& Startup() {
  static StartupState state;
  return state;
}

int WholeNumberOr(std::string_view value, int fallback) { return WholeNumber(value).value_or(fallback); }

}  // namespace

const SpeedSettings& CurrentSpeedSettings() { return Startup().speed; }
const std::optional<EngineRequest>& LastEngineRequest() { return Startup().engineRequest; }

int LeadingNumber(std::string_view value) {
  long long number = 0;
  for (const char c : value) {
    if (c < '0' || c > '9') break;
    number = number * 10 + (c - '0');
    if (number > INT_MAX) return INT_MAX;
  }
  return static_cast<int>(number);
}

std::optional<int> WholeNumber(std::string_view value) {
  bool negative = false;
  if (!value.empty() && (value.front() == '-' || value.front() == '+')) {
    negative = value.front() == '-';
    value.remove_prefix(1);
  }
  if (value.empty()) return std::nullopt;
  long long number = 0;
  for (const char c : value) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
    if (number > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
  }
  if (negative) number = -number;
  if (number > INT_MAX || number < INT_MIN) return std::nullopt;
  return static_cast<int>(number);
}

bool SettingSwitch(std::string_view value) {
  return !value.empty() && value.front() != 'N' && value.front() != 'n';
}

int ResolveSpeed(int speed) {
  if (speed <= 0) speed = LeadingNumber(LookupSetting("TRADUTOR", "VELOCIDADE"));
  if (speed < 1 || speed > 5) speed = 3;
  return speed;
}

void ReadSpeedSettings(int speed) {
  const std::string d = std::to_string(speed);
  const auto read = [&d](const char* key) { return LookupSetting("SINTETIZADOR", key + d); };
  recorded::SetDiphoneDatabaseName(read("DIFONES"));
  const int cut = LeadingNumber(read("CORTEFON"));
  const int minimum = WholeNumberOr(read("SOBRAFON"), 0);
  const int wordGap = WholeNumberOr(read("INTERPAL"), 0);
  const bool shorten = SettingSwitch(read("CORTAFALA"));
  const bool raised = SettingSwitch(read("RAPIDINHO"));
  recorded::SetDiphoneTiming(cut, minimum, wordGap, shorten, raised);
  SpeedSettings& settings = Startup().speed;
  settings.speed = speed;
  settings.pauseFullStop = WholeNumberOr(read("PAUSAPONTO"), 250);
  settings.pauseComma = WholeNumberOr(read("PAUSAVIRG"), 150);
  settings.pauseColon = WholeNumberOr(read("PAUSADOISPONTOS"), 200);
}

void SpeechInit(int speed, std::string_view promptFolder) {
  SpeechState& state = State();
  speed = ResolveSpeed(speed);
  ReadSpeedSettings(speed);

  const int code = recorded::StartDiphoneSynth();
  if (code != 0) {
    console::WriteLine("Erro de inicializa\xE7\xE3o: " + std::to_string(code));
    console::WriteLine("Banco de dados de voz: " + recorded::DiphoneDatabaseName());
    recorded::StopDiphoneSynth();
    console::ReadLine();
    console::CloseConsole();
  }

  state.promptFolder = WithTrailingBackslash(std::string(promptFolder));
  state.lettersFolder = WithTrailingBackslash(platform::GetProfileString(
      "TRADUTOR", "DIRLETRAS", "c:\\quiral\\som\\letras\\", "TALIRA.INI", kSettingBufferSize));
  ReadSpeedSettings(speed);

  state.usingSpeechEngine = false;
  Startup().engineRequest.reset();
  const std::string sapi = LookupSetting("TRADUTOR", "SAPI");
  if (!sapi.empty() && sapi.front() != 'N' && sapi.front() != 'n') {
    EngineRequest request;
    request.voice = LeadingNumber(LookupSetting("SERVFALA", "VOZ"));
    request.rate = LeadingNumber(LookupSetting("SERVFALA", "VELOCIDADE"));
    request.pitch = LeadingNumber(LookupSetting("SERVFALA", "TOM"));
    request.kind = LeadingNumber(LookupSetting("SERVFALA", "TIPOSAPI"));
    if (request.kind != kEngineKindDefault && request.rate > 10) request.rate = 0;
    Startup().engineRequest = request;
    state.usingSpeechEngine =
        EngineStart(request.voice, request.rate, request.pitch, state.engineOutputFile, request.kind);
    state.selectedEngineKind = request.kind;
  }
}

void SpeechShutdown() {
  WaitWhileSpeechBusy();
  StopSpeech();
  SpeechState& state = State();
  if (state.usingSpeechEngine) {
    EngineFinish();
    state.usingSpeechEngine = false;
  }
  recorded::StopDiphoneSynth();
}

void ResetSpeechStartupForTests() { Startup() = StartupState{}; }

}  // namespace speech
