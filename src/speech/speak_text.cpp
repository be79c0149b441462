#include "speech/speak_text.h"

#include "console/console.h"
#include "recorded/diphone_synth.h"
#include "recorded/number_words.h"
#include "speech/engine_dispatch.h"
#include "speech/speech_prompts.h"
#include "speech/speech_startup.h"
#include "speech/speech_state.h"
#include "tts/letter_to_sound.h"

namespace speech {

namespace {

std::string& PhoneticText() {
  static std::string text;
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsLetterOrBlank(char c) {
  const auto u = static_cast<std::uint8_t>(c);
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || u >= 128 || c == ' ';
}

bool IsLetter(char c) { return c != ' ' && IsLetterOrBlank(c); }

// The text still to speak, consumed from its front.
class Remaining {
 public:
  explicit Remaining(std::string text) : text_(std::move(text)) {}
  bool Empty() const { return pos_ >= text_.size(); }
  std::size_t Size() const { return text_.size() - pos_; }
  char At(std::size_t i) const { return pos_ + i < text_.size() ? text_[pos_ + i] : '\0'; }
  std::string_view View() const { return std::string_view(text_).substr(pos_); }
  void Drop(std::size_t n = 1) { pos_ = std::min(text_.size(), pos_ + n); }
  template <typename Pred>
  std::string TakeWhile(Pred pred) {
    std::size_t end = pos_;
    while (end < text_.size() && pred(text_[end])) ++end;
    std::string run = text_.substr(pos_, end - pos_);
    pos_ = end;
    return run;
  }

 private:
  std::string text_;
  std::size_t pos_ = 0;
};

void SpeakNumberRun(const std::string& run) {
  if (run.find('-') != std::string::npos || run.size() >= 7) {
    SpellText(run);
    return;
  }
  recorded::SpeakNumberWords(recorded::NumberToWords(std::stoi(run)), false);
}

void SpeakWordRun(const std::string& run) {
  if (UpperCaseText(run) == "WWW") {
    SpellText(run);
    return;
  }
  std::string& phonetic = PhoneticText();
  phonetic = tts::TranslateToPhonetic(std::string_view(run).substr(0, kMaxTranslatedRun));
  recorded::SpeakPhonetic(phonetic, false);
}

}  // namespace

const std::string& LastPhoneticText() { return PhoneticText(); }

std::string UpperCaseText(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    const auto u = static_cast<std::uint8_t>(c);
    if ((c >= 'a' && c <= 'z') || u >= 224) c = static_cast<char>(u - 32);
  }
  return upper;
}

void PauseUnlessKey(int milliseconds) {
  for (int i = 0; i < milliseconds / 50; ++i) {
    if (!console::KeyWaiting()) console::Pause(50);
  }
}

void PunctuationPause(std::string_view text) {
  if (text.empty() || console::KeyWaiting()) return;
  const char c = text.front();
  const char next = text.size() > 1 ? text[1] : '\0';
  WaitWhileSpeechBusy();
  SpeakChar(static_cast<std::uint8_t>(c));
  const SpeedSettings& pauses = CurrentSpeedSettings();
  switch (c) {
    case '(': case ')': case ':': case ';':
      PauseUnlessKey(pauses.pauseColon);
      break;
    case ',': case '-':
      if (next == ' ') PauseUnlessKey(pauses.pauseComma);
      break;
    case '.':
      if (next == ' ') PauseUnlessKey(pauses.pauseFullStop);
      break;
    default:
      break;
  }
}

void SpellText(std::string_view text) {
  for (const char c : text) {
    if (console::KeyWaiting()) return;
    SpeakChar(static_cast<std::uint8_t>(c));
  }
}

void SpeakText(std::string_view input) {
  SpeechState& state = State();
  if (state.usingSpeechEngine) {
    WaitWhileSpeechBusy();
    if (!console::KeyWaiting()) {
      EngineSpeak(input);
      state.awaitPending = true;
    }
    return;
  }

  Remaining text(std::string(input) + " ");
  state.stopRequested = false;
  char previous = ' ';
  int repeats = 0;
  while (!state.stopRequested && !text.Empty()) {
    if (console::KeyWaiting()) {
      StopSpeech();
      return;
    }
    while (text.At(0) == '0') {
      PlayPrompt("_zero");
      text.Drop();
    }
    if (text.Empty()) break;
    const char first = text.At(0);
    if (first >= '1' && first <= '9') {
      SpeakNumberRun(text.TakeWhile([](char c) { return IsDigit(c) || c == '-'; }));
    } else if (IsLetterOrBlank(first)) {
      SpeakWordRun(text.TakeWhile(IsLetterOrBlank));
      if (text.At(0) == '-' && text.Size() > 1 && IsLetter(text.At(1))) text.Drop();
    } else {
      char c = first;
      if (c == previous) {
        if (++repeats > 3) {
          PlayClick();
          c = ' ';
        }
      } else {
        repeats = 0;
        previous = c;
      }
      if (first == '-') {
        const char n = text.Size() > 2 ? text.At(1) : ' ';
        if (n == ' ' || n == '-') {
          PunctuationPause(text.View());
        } else if (IsDigit(n)) {
          PlayPrompt("_MENOS");
        } else {
          SpeakChar('-');
        }
      } else if (text.View().starts_with("://")) {
        SpellText(":");
      } else {
        switch (c) {
          case '(': case ')': case ',': case '.': case ':': case ';':
            PunctuationPause(text.View());
            break;
          case ' ': case '\t':
            break;
          default:
            if (!console::KeyWaiting()) SpeakChar(static_cast<std::uint8_t>(c));
            break;
        }
      }
      text.Drop();
    }
  }
}

void WriteAndSpeak(std::string_view text) {
  console::Write(text);
  SpeakText(text);
}

void WriteLineAndSpeak(std::string_view text) {
  WriteAndSpeak(text);
  console::WriteLine();
}

}  // namespace speech
