// Display settings read from TALIRA.INI: every key, its default, the empty
// value, the integer conversion and the colour table.
#include <functional>
#include <optional>
#include <string>

#include "console_test_support.h"

namespace console_test {
namespace {

using console::DisplaySettings;

class DisplaySettingsTest : public RecordingConsoleTest {
 protected:
  const DisplaySettings& Read(const std::optional<std::string>& file) {
    console::ResetConsoleForTests();
    if (file) {
      drive_.WriteSettings(*file);
    } else {
      std::filesystem::remove(drive_.Root() / "windows" / "TALIRA.INI");
    }
    console::ReadDisplaySettings();
    return console::CurrentDisplaySettings();
  }
};

void ExpectDefaults(const DisplaySettings& d) {
  for (int i = 0; i < 16; ++i) EXPECT_EQ(d.colourMap[i], i);
  EXPECT_FALSE(d.coloursFixed);
  EXPECT_FALSE(d.slowScroll);
  EXPECT_EQ(d.attribute, 0x0F);
  EXPECT_EQ(d.brailleMode, 0);
  EXPECT_EQ(d.magnification, 2);
  EXPECT_EQ(d.fontFace, "Lucida Console");
  EXPECT_EQ(d.fontWidth, 13);
  EXPECT_EQ(d.fontHeight, 28);
  EXPECT_EQ(d.fontWeight, 0);
  EXPECT_FALSE(d.maximise);
}

TEST_F(DisplaySettingsTest, FilesWithoutSettingsGiveEveryDefault) {
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 37 + 11) % 256 == '[' ? 0 : (i * 37 + 11) % 256);
  const std::optional<std::string> files[] = {
      std::nullopt,
      std::string(),
      std::string("[TEMBRIKA]\nCORLETRA=3\n"),
      std::string("[VIDEO]\n"),
      binary,
      std::string(100000, 'z'),
  };
  int index = 0;
  for (const auto& file : files) {
    SCOPED_TRACE(index++);
    ExpectDefaults(Read(file));
    EXPECT_EQ(console::CurrentAttribute(), 0x0F);
  }
}

struct SettingCase {
  std::string file;
  std::function<void(const DisplaySettings&)> check;
};

TEST_F(DisplaySettingsTest, EachKeyAndItsValues) {
  const SettingCase cases[] = {
      {"[VIDEO]\nCORLETRA=\n", [](const DisplaySettings& d) { EXPECT_EQ(d.attribute, 0x07); }},
      {"[VIDEO]\nCORFUNDO=1\nCORLETRA=14\n", [](const DisplaySettings& d) { EXPECT_EQ(d.attribute, 0x1E); }},
      {"[VIDEO]\nCORFUNDO=\nCORLETRA=2\n", [](const DisplaySettings& d) { EXPECT_EQ(d.attribute, 0x02); }},
      // A foreground above 15 spills into the background nibble.
      {"[VIDEO]\nCORFUNDO=1\nCORLETRA=31\n", [](const DisplaySettings& d) { EXPECT_EQ(d.attribute, 0x1F); }},
      {"[VIDEO]\nCORFUNDO=2\nCORLETRA=33\n", [](const DisplaySettings& d) { EXPECT_EQ(d.attribute, 0x21); }},
      {"[VIDEO]\nCORFUNDO=257\nCORLETRA=$0E\n", [](const DisplaySettings& d) { EXPECT_EQ(d.attribute, 0x1E); }},
      {"[VIDEO]\nCORLETRA=verde\n", [](const DisplaySettings& d) { EXPECT_EQ(d.attribute, 0x00); }},
      {"[VIDEO]\nCORESFIXAS=sim\nLENTO=S\n",
       [](const DisplaySettings& d) {
         EXPECT_TRUE(d.coloursFixed);
         EXPECT_TRUE(d.slowScroll);
       }},
      {"[VIDEO]\nCORESFIXAS=NAO\nLENTO=\n",
       [](const DisplaySettings& d) {
         EXPECT_FALSE(d.coloursFixed);
         EXPECT_FALSE(d.slowScroll);
       }},
      {"[VIDEO]\nAMPLIF=4x\n", [](const DisplaySettings& d) { EXPECT_EQ(d.magnification, 4); }},
      {"[VIDEO]\nAMPLIF=9\n", [](const DisplaySettings& d) { EXPECT_EQ(d.magnification, 1); }},
      {"[VIDEO]\nAMPLIF=7\n", [](const DisplaySettings& d) { EXPECT_EQ(d.magnification, 7); }},
      {"[VIDEO]\nAMPLIF=8\n", [](const DisplaySettings& d) { EXPECT_EQ(d.magnification, 0); }},
      {"[VIDEO]\nAMPLIF=\n", [](const DisplaySettings& d) { EXPECT_EQ(d.magnification, 2); }},
      {"[VIDEO]\nAMPLIF=34\n", [](const DisplaySettings& d) { EXPECT_EQ(d.magnification, 3); }},
      {"[BRAILLE]\nMODO=2\n", [](const DisplaySettings& d) { EXPECT_EQ(d.brailleMode, 2); }},
      {"[BRAILLE]\nMODO=3\n", [](const DisplaySettings& d) { EXPECT_EQ(d.brailleMode, 3); }},
      {"[BRAILLE]\nMODO=\n", [](const DisplaySettings& d) { EXPECT_EQ(d.brailleMode, 0); }},
      {"[BRAILLE]\nMODO=5\n", [](const DisplaySettings& d) { EXPECT_EQ(d.brailleMode, 1); }},
      {"[VIDEO]\nFONTE=Courier New\n", [](const DisplaySettings& d) { EXPECT_EQ(d.fontFace, "Courier New"); }},
      {"[VIDEO]\nFONTE=\n", [](const DisplaySettings& d) { EXPECT_EQ(d.fontFace, ""); }},
      {"[VIDEO]\nFONTE=" + std::string(200, 'f') + "\n",
       [](const DisplaySettings& d) { EXPECT_EQ(d.fontFace, std::string(79, 'f')); }},
      {"[VIDEO]\nLARGURALETRA=10\nALTURALETRA=0x14\n",
       [](const DisplaySettings& d) {
         EXPECT_EQ(d.fontWidth, 10);
         EXPECT_EQ(d.fontHeight, 20);
       }},
      {"[VIDEO]\nLARGURALETRA=\nALTURALETRA=alto\n",
       [](const DisplaySettings& d) {
         EXPECT_EQ(d.fontWidth, 13);
         EXPECT_EQ(d.fontHeight, 0);
       }},
      {"[VIDEO]\nPESOLETRA=700\n", [](const DisplaySettings& d) { EXPECT_EQ(d.fontWeight, 700); }},
      {"[VIDEO]\nCANTOTELA=NAO\n", [](const DisplaySettings& d) { EXPECT_TRUE(d.maximise); }},
      {"[VIDEO]\nCANTOTELA=SIM\n", [](const DisplaySettings& d) { EXPECT_FALSE(d.maximise); }},
      {"[VIDEO]\nCANTOTELA=S\n", [](const DisplaySettings& d) { EXPECT_FALSE(d.maximise); }},
      {"[VIDEO]\nCANTOTELA=s\n", [](const DisplaySettings& d) { EXPECT_FALSE(d.maximise); }},
      {"[VIDEO]\nCANTOTELA=\n", [](const DisplaySettings& d) { EXPECT_FALSE(d.maximise); }},
      {"[VIDEO]\nTABCORES=\n",
       [](const DisplaySettings& d) {
         for (int i = 0; i < 16; ++i) EXPECT_EQ(d.colourMap[i], i);
       }},
      {"[video]\n  corletra = 12  \r\n", [](const DisplaySettings& d) { EXPECT_EQ(d.attribute, 0x0C); }},
  };
  for (const SettingCase& c : cases) {
    SCOPED_TRACE(c.file);
    c.check(Read(c.file));
  }
}

TEST_F(DisplaySettingsTest, TheFontIsCreatedFromTheSettings) {
  Read("[VIDEO]\nFONTE=Courier New\nPESOLETRA=700\n");
  ASSERT_TRUE(rec_->fontSpec.has_value());
  EXPECT_EQ(rec_->fontSpec->face, "Courier New");
  EXPECT_EQ(rec_->fontSpec->width, 13);
  EXPECT_EQ(rec_->fontSpec->height, 28);
  EXPECT_EQ(rec_->fontSpec->weight, 700);
}

TEST_F(DisplaySettingsTest, TheComputedFontSizeFollowsTheWorkArea) {
  rec_->workArea = {0, 0, 1280, 800};
  const DisplaySettings& d = Read(std::nullopt);
  EXPECT_EQ(d.fontWidth, 16);
  EXPECT_EQ(d.fontHeight, 30);
  rec_->workArea = {100, 50, 900, 650};  // 800 x 600
  EXPECT_EQ(Read(std::nullopt).fontWidth, 10);
  EXPECT_EQ(Read(std::nullopt).fontHeight, 22);
}

struct IntegerCase {
  const char* text;
  std::int32_t value;
  bool whole;
};

TEST_F(DisplaySettingsTest, IntegerConversion) {
  const IntegerCase cases[] = {
      {"12", 12, true},          {"  -7", -7, true},        {"+3", 3, true},
      {"$1F", 31, true},         {"x1f", 31, true},         {"0x10", 16, true},
      {"-$10", -16, true},       {"4x", 4, false},          {"abc", 0, false},
      {"", 0, false},            {"-", 0, false},           {"$", 0, false},
      {"12 ", 12, false},        {"1,2", 1, false},         {"2147483647", 2147483647, true},
      {"-2147483648", INT32_MIN, true},                     {"99999999999", 999999999, false},
      {"$FFFFFFFF", -1, true},   {"007", 7, true},          {"\t5", 0, false},
  };
  for (const IntegerCase& c : cases) {
    const console::detail::IntegerValue v = console::detail::ParseInteger(c.text);
    EXPECT_EQ(v.value, c.value) << '"' << c.text << '"';
    EXPECT_EQ(v.whole, c.whole) << '"' << c.text << '"';
  }
}

struct ColourTableCase {
  const char* value;
  std::vector<int> firstEntries;  // the map starts as the identity
};

TEST_F(DisplaySettingsTest, ColourTableParsing) {
  const ColourTableCase cases[] = {
      {"15,14", {15, 14, 2, 3}},
      {"4,1", {4, 1, 2, 3}},
      // A blank after a comma: the next item reaches the following comma,
      // its leading number is stored and parsing stops.
      {"4, 1,9,9", {4, 1, 2, 3}},
      {"1,x,3", {1, 0, 2, 3}},
      {"7,,9", {7, 0, 2, 3}},
      {"300,2", {44, 2, 2, 3}},
      {" 5,6", {5, 1, 2, 3}},
      {"5,6 ", {5, 6, 2, 3}},
      {"16", {16, 1, 2, 3}},
      {"0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0",
       {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const ColourTableCase& c : cases) {
    std::uint8_t map[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    console::detail::ParseColourTable(c.value, map);
    for (std::size_t i = 0; i < c.firstEntries.size(); ++i) {
      EXPECT_EQ(map[i], c.firstEntries[i]) << '"' << c.value << "\" entry " << i;
    }
  }
  // Through the settings file too (the reader trims the value).
  EXPECT_EQ(Read("[VIDEO]\nTABCORES=3,2,1\n").colourMap[0], 3);
  EXPECT_EQ(console::CurrentDisplaySettings().colourMap[2], 1);
  EXPECT_EQ(console::CurrentDisplaySettings().colourMap[3], 3);
}

}  // namespace
}  // namespace console_test
