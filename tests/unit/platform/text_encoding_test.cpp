// cp1252 <-> UTF-8 at the edges, and cp1252 case folding.
#include <gtest/gtest.h>

#include <string>

#include "platform/text_encoding.h"

namespace platform {
namespace {

TEST(TextEncodingTest, EveryCp1252ByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::string utf8 = Cp1252ToUtf8(all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_TRUE(Utf8FitsCp1252(utf8));
  EXPECT_EQ(Utf8ToCp1252(utf8), all);
  EXPECT_EQ(Cp1252ToUtf8("\x80\x9F\xE9"), "\xE2\x82\xAC\xC5\xB8\xC3\xA9");  // € Ÿ é
  EXPECT_EQ(Cp1252ToUnicode(0x81), U'\x81');  // undefined in cp1252: its C1 control
}

TEST(TextEncodingTest, MalformedOrForeignUtf8BecomesTheReplacement) {
  struct Case {
    const char* utf8;
    const char* cp1252;
  } cases[] = {
      {"a\xC3\xA7\xC3\xA3o", "a\xE7\xE3o"},
      {"\xE4\xB8\x80", "?"},              // no cp1252 character
      {"\xC0\xAF", "??"},                  // overlong
      {"\xED\xA0\x80", "???"},             // a surrogate
      {"\xE2\x82", "??"},                  // cut short
      {"\xF0\x9F\x98\x80!", "?!"},         // outside the basic plane
      {"\xFF", "?"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252) << c.utf8;
  EXPECT_FALSE(IsValidUtf8("\xC3"));
  EXPECT_FALSE(Utf8FitsCp1252("\xE4\xB8\x80"));
  EXPECT_TRUE(IsValidUtf8("\xE4\xB8\x80"));
}

TEST(TextEncodingTest, CaseFoldingCoversTheAccentedLetters) {
  EXPECT_TRUE(Cp1252EqualNoCase("A\xC7\xC3O", "a\xE7\xE3o"));
  EXPECT_TRUE(Cp1252EqualNoCase("\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"));
  EXPECT_FALSE(Cp1252EqualNoCase("\xD7", "\xF7"));  // × and ÷ are not letters
  EXPECT_FALSE(Cp1252EqualNoCase("ab", "abc"));
  EXPECT_EQ(Cp1252Lower('['), '[');
}

}  // namespace
}  // namespace platform
