// Speed of free-text speech on the shipped data: the letter-to-sound
// translation of a long Portuguese text, the diphone synthesis of its
// phonetic text into samples (played on the headless device in virtual
// time), and the whole text reader. The counter "x_real_time" is the seconds
// of speech made per second of computing; the goal is at least 500.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "console/console.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "recorded/diphone_synth.h"
#include "recorded/wav_output.h"
#include "speech/speak_text.h"
#include "speech/speech_startup.h"
#include "speech/speech_state.h"
#include "tts/letter_to_sound.h"

namespace {

// cp1252 text, about 1200 words.
std::string LongText() {
  const std::string paragraph =
      "O cron\xF4metro falante foi feito para quem n\xE3o enxerga a tela. Cada evento come\xE7"
      "a com uma tecla e termina com a mesma tecla; o tempo decorrido \xE9 dito em dias, horas, "
      "minutos, segundos e cent\xE9simos. Depois de medir, uma letra guarda a dura\xE7\xE3o com um "
      "coment\xE1rio curto, e a mesma letra l\xEA de volta o que foi guardado. A s\xEDntese de fala "
      "concatena difones gravados, depois de uma tradu\xE7\xE3o das letras em sons feita por regras, "
      "e as pausas depois da pontua\xE7\xE3o tornam a leitura agrad\xE1vel de ouvir. Quando uma tecla "
      "\xE9 apertada, a fala para na hora, e a tecla vale como o pr\xF3ximo comando. ";
  std::string text;
  for (int i = 0; i < 12; ++i) text += paragraph;
  return text;
}

// Starts the program's modules and speech on the shipped data, once.
void StartSpeech() {
  static bool started = false;
  if (started) return;
  started = true;
  platform::headless::Options options;
  options.virtualHoursLimit = 1e6;
  options.stepLimit = UINT64_MAX;
  platform::headless::Install(options);
  console::ConsoleStartUp();
  recorded::WavOutputStartUp();
  recorded::DiphoneSynthStartUp();
  speech::SpeechModuleStartUp();
  speech::SpeechInit(3, "");
}

std::uint64_t SpeechSamples(const std::vector<recorded::SynthEvent>& events) {
  std::uint64_t total = 0;
  for (const auto& e : events) total += e.samples;
  return total;
}

void BM_TranslateToPhonetic(benchmark::State& state) {
  StartSpeech();
  const std::string text = LongText();
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string phonetic = tts::TranslateToPhonetic(text);
    benchmark::DoNotOptimize(phonetic.data());
    bytes += text.size();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_TranslateToPhonetic)->Unit(benchmark::kMillisecond);

void BM_SpeakPhonetic(benchmark::State& state) {
  StartSpeech();
  const std::string phonetic = tts::TranslateToPhonetic(LongText());
  std::vector<recorded::SynthEvent> events;
  double seconds = 0;
  for (auto _ : state) {
    events.clear();
    recorded::SetSynthTrace(&events);
    recorded::SpeakPhonetic(phonetic, false);
    recorded::SetSynthTrace(nullptr);
    seconds += static_cast<double>(SpeechSamples(events)) / 11025.0;
  }
  state.counters["x_real_time"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
  state.counters["speech_s"] = static_cast<double>(SpeechSamples(events)) / 11025.0;
}
BENCHMARK(BM_SpeakPhonetic)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole text reader: pieces cut from the front, translated, synthesized,
// numbers and signs included (virtual time for the pauses is not counted).
void BM_SpeakText(benchmark::State& state) {
  StartSpeech();
  const std::string text = LongText() + " Em 2026, \xE0s 14 horas e 30 minutos: www.exemplo.com.br.";
  std::vector<recorded::SynthEvent> events;
  double seconds = 0;
  for (auto _ : state) {
    events.clear();
    recorded::SetSynthTrace(&events);
    speech::SpeakText(text);
    recorded::SetSynthTrace(nullptr);
    seconds += static_cast<double>(SpeechSamples(events)) / 11025.0;
  }
  state.counters["x_real_time"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SpeakText)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
