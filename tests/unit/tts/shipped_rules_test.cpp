// Real words through the shipped regras.rgr and portug.exc of the diphone voice.
#include <gtest/gtest.h>

#include <string>

#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "tts/letter_to_sound.h"

namespace {

class ShippedRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::headless::Install();
    platform::SetDriveCRoot(TEMBRIKA_SOURCE_DRIVE_C);
    tts::ResetLetterToSoundForTests();
    ASSERT_TRUE(tts::LoadLetterRules(std::string_view("c:\\quiral\\som\\difones\\regras.rgr")));
    ASSERT_TRUE(tts::LoadWordExceptions(std::string_view("c:\\quiral\\som\\difones\\portug.exc")));
  }
  void TearDown() override { tts::ResetLetterToSoundForTests(); }
};

struct WordCase {
  const char* text;  // cp1252
  const char* phonetic;
};

TEST_F(ShippedRulesTest, ReadsCommonWords) {
  const WordCase cases[] = {
      {"casa", "[k/A/ z/a]"},                // s between vowels
      {"carro", "[k/A/ rr/u]"},              // rr, final o
      {"cidade", "[s/i/ d/A/ dj/i]"},         // c before i, d before final e
      {"n\xe3o", "[n/A~w]"},                // nasal diphthong, stressed by its tilde
      {"m\xe3" "e", "[m/A~y]"},
      {"p\xf5" "e", "[p/O~y]"},
      {"exame", "[e^/ z/A/ m/i]"},            // x after initial e
      {"t\xe1xi", "[t/A/ ks/i]"},
      {"sexo", "[s/E^/ ks/u]"},
      {"caixa", "[k/A/y/ x/a]"},             // x after a diphthong, glide y
      {"chave", "[x/A/ v/i]"},
      {"filho", "[f/I/ lh/u]"},
      {"ninho", "[n/I/ nh/u]"},
      {"guerra", "[g/E/ rr/a]"},             // exception: open e
      {"quando", "[kw/A~/d/u]"},
      {"\xe1gua", "[A/ gw/a]"},
      {"d'\xe1gua", "[d/A/ gw/a]"},
      {"sol", "[s/O/w]"},                   // final l
      {"animal", "[a/ n/i/ m/A/w]"},
      {"mar", "[m/a/r]"},
      {"homem", "[/O^/ m/e~y]"},             // silent h, final em
      {"falam", "[f/A/ l/a~w]"},
      {"tempo", "[t/E~/p/u]"},
      {"parab\xe9ns", "[p/a/ r/a/ b/E~y/s]"},
      {"honra", "[/O~/rr/a]"},              // r after n
      {"leite", "[l/E^/y/ tch/i]"},
      {"nascer", "[n/a/ s/E^/r]"},           // sc before e
      {"mesmo", "[m/E^/z /m/u]"},
      {"uma", "[/U/ m/a]"},                  // exception: stress on u
      {"umas", "[/U/ m/a/s]"},               // through "uma" and the s retry
      {"brigue", "[b/r/I/ g/i]"},
      {"rainha", "[rr/a/ I/ nh/a]"},
      {"muito", "[m/U/y/ t/u]"},
      {"aqui", "[a/ k/I]"},
      {"Paraguai", "[p/a/ r/a/ gw/A/y]"},
      {"a\xe7\xfa" "car", "[a/ s/U/ k/a/r]"},
      // Syllables end their tokens: a space before an onset, after a coda.
      {"porta", "[p/O/r /t/a]"},
      {"compra", "[k/O~/p/r/a]"},           // p r: one onset
      {"abrir", "[a/ b/r/I/r]"},
      {"pacto", "[p/A/k /t/u]"},
      {"alto", "[A/w /t/u]"},
      {"sa\xed" "da", "[s/a/ I/ d/a]"},   // hiatus
      {"poeta", "[p/o^ /E^/ t/a]"},
      {"felizmente", "[f/e^/ l/i/z /m/E~/tch/i]"},
      {"texto", "[t/E^/s /t/u]"},
      {"parece", "[p/a/ r/E/ s/i]"},          // open e, o of regular endings
      {"famosa", "[f/a/ m/O/ z/a]"},
      {"famoso", "[f/a/ m/O^/ z/u]"},
      {"bcd", "[ /_b][ /_c][ /_d]"},
  };
  for (const WordCase& c : cases) {
    EXPECT_EQ(tts::TranslateToPhonetic(c.text), c.phonetic) << c.text;
  }
}

TEST_F(ShippedRulesTest, EveryLetterAndAccentedLetterHasARule) {
  // No piece of a word falls back to the spelled default " /_X".
  const char* text =
      "abcdefghijklmnopqrstuvwxyz \xe1\xe0\xe2\xe3\xe9\xea\xed\xf3\xf4\xf5\xfa\xfc\xe7 "
      "ABCDEFGHIJKLMNOPQRSTUVWXYZ \xc1\xc0\xc2\xc3\xc9\xca\xcd\xd3\xd4\xd5\xda\xdc\xc7";
  const std::string out = tts::TranslateToPhonetic(std::string("ka") + text);
  EXPECT_EQ(out.find('_'), std::string::npos) << out;
}

}  // namespace
