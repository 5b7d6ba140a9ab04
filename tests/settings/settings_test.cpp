#include "settings/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "settings/ini.h"
#include "settings/ini_file.h"
#include "support/temp_folder.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

CSettings ReadText(const std::string& text) {
  CSettings settings;
  settings.Read(IniFile(text));
  return settings;
}

// A normal run: start-up reads, the frame's destruction writes the window
// keys, then the settings are written.
void RunOnce(const std::string& path, CIni* ini, CSettings* settings) {
  ini->Read();
  settings->Read(path);
  EXPECT_TRUE(ini->Write());
  EXPECT_TRUE(settings->Write(path));
}

TEST(SettingsTest, EveryKeyLandsInItsField) {
  const CSettings s = ReadText(
      "[Application]\n"
      "View2=1\nSource1=3\nSource2=1\nSite1=101\nSite2=-4\nSound1=0\nSound2=1\n"
      "HistogramValues1=60\nHistogramValues2=0\nHistogramSmooth1=20\nHistogramSmooth2=7\n"
      "HostSortMode1=3\nHostSortMode2=1\nHexagramMethod1=2\nHexagramMethod2=1\n"
      "HexagramLanguage1=1\nHexagramLanguage2=2\nSoundFade=2\nMusicScale=0\n"
      "BaseFrequency=-5\nVolume=100\nMute=1\n"
      "[Server]\nHost=example.org:8080\n");
  EXPECT_EQ(s.view2, 1);
  EXPECT_EQ(s.source, (std::array<int32_t, 2>{3, 1}));
  EXPECT_EQ(s.station, (std::array<int32_t, 2>{101, -4}));
  EXPECT_EQ(s.sound, (std::array<int32_t, 2>{0, 1}));
  // Out of the dialog's offer but kept: 0 means "no selection" there.
  EXPECT_EQ(s.histogramValues, (std::array<int32_t, 2>{60, 0}));
  EXPECT_EQ(s.histogramSmooth, (std::array<int32_t, 2>{20, 7}));
  EXPECT_EQ(s.stationSortMode, (std::array<int32_t, 2>{3, 1}));
  EXPECT_EQ(s.hexagramMethod, (std::array<int32_t, 2>{2, 1}));
  EXPECT_EQ(s.hexagramLanguage, (std::array<int32_t, 2>{1, 2}));
  EXPECT_EQ(s.soundFade, 2);
  EXPECT_EQ(s.musicScale, 0);
  EXPECT_EQ(s.baseFrequency, -5);
  EXPECT_EQ(s.volume, 100);
  EXPECT_EQ(s.mute, 1);
  EXPECT_EQ(s.serverHost, "example.org:8080");
}

TEST(SettingsTest, CurrentMedianOrderIsNotKept) {
  CSettings s = ReadText("[Application]\nHostSortMode1=2\nHostSortMode2=3\n");
  EXPECT_EQ(s.stationSortMode, (std::array<int32_t, 2>{2, 3}));
  IniFile out;
  s.Write(out);
  EXPECT_EQ(out.Get("Application", "HostSortMode1"), "0");
  EXPECT_EQ(out.Get("Application", "HostSortMode2"), "3");
  s.stationSortMode = {1, 2};
  s.Write(out);
  EXPECT_EQ(out.Get("Application", "HostSortMode1"), "1");
  EXPECT_EQ(out.Get("Application", "HostSortMode2"), "0");
}

TEST(SettingsTest, IntegerReadingRuleAndMendedValues) {
  const std::vector<std::pair<std::string, int32_t>> volumes = {
      {"", 50},
      {"loud", 0},
      {"  -12dB", -12},
      {"+7", 7},
      {"--5", 0},
      {"\" 9\"", 9},
      {"1 2", 1},
      {"99999999999999999999", 2147483647},
      {"-99999999999999999999", -2147483647 - 1},
      // Only the first 79 characters were ever looked at.
      {std::string(79, '0') + "5", 0},
      {std::string(78, '0') + "5", 5}};
  for (const auto& [text, volume] : volumes) {
    EXPECT_EQ(ReadText("[Application]\nVolume=" + text + "\n").volume, volume) << text;
  }
  EXPECT_EQ(ReadText("[Window]\nVolume=5\n").volume, 50);  // keys elsewhere do not count
  // Values that would break the player are mended.
  EXPECT_EQ(ReadText("[Application]\nBaseFrequency=-22\n").baseFrequency, -21);
  EXPECT_EQ(ReadText("[Application]\nBaseFrequency=16\n").baseFrequency, 15);
  EXPECT_EQ(ReadText("[Application]\nSource1=2\nSource2=0\n").source,
            (std::array<int32_t, 2>{1, 3}));
}

TEST(SettingsTest, ForeignContentSurvivesARun) {
  TempFolder folder;
  const std::string path = folder.File("Tessaly.ini");
  const std::string original =
      "; my settings\r\n"
      "[Application]\r\n"
      "Version=0.9\r\n"
      "Volume=20\r\n"
      "Theme=dark\r\n"
      "\r\n"
      "[Plugins]\r\n"
      "list=a,b\r\n";
  WriteFile(path, original);
  CIni ini(path);
  CSettings settings;
  RunOnce(path, &ini, &settings);
  EXPECT_EQ(ini.storedVersion, 1);
  EXPECT_EQ(settings.volume, 20);

  const std::string text = ReadFile(path);
  EXPECT_EQ(text.rfind("; my settings\r\n[Application]\r\nVersion=1.0.1\r\nVolume=20\r\n"
                       "Theme=dark\r\nFlags=0\r\nView2=0\r\n",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find("Mute=0\r\nFollowLive1=0\r\nFollowLive2=0\r\nLiveDelay=60\r\n\r\n[Plugins]"
                      "\r\nlist=a,b\r\n[Window]\r\nx=0\r\ny=0\r\n"
                      "[Server]\r\nHost=127.0.0.1:8321\r\n"),
            std::string::npos)
      << text;
  for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1)) {
    ASSERT_EQ(text[i - 1], '\r') << "bare line feed at " << i;
  }

  // A second run changes nothing.
  CIni ini2(path);
  CSettings settings2;
  RunOnce(path, &ini2, &settings2);
  EXPECT_EQ(ReadFile(path), text);
}

TEST(SettingsTest, BadFilesGiveDefaultsAndAreKept) {
  const std::string dupes =
      "[Application]\nVolume=10\nVolume=20\n[Application]\nMute=1\nVolume=30\n";
  const std::string huge = "[Application]\nJunk=" + std::string(100 * 1024, '7') + "\nMute=1\n";
  std::string binary;
  for (int i = 0; i < 4096; ++i) {
    binary.push_back(static_cast<char>((i * 131 + 7) & 0xFF));
  }
  struct Case {
    const char* name;
    std::string text;
    int32_t volume;
    int32_t mute;
  };
  const Case cases[] = {
      {"empty", "", 50, 0},
      {"binary", binary, 50, 0},
      {"huge line", huge, 50, 1},
      {"duplicates", dupes, 10, 0},
      {"bom", "\xEF\xBB\xBF[Application]\nVolume=12\n", 12, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::string path = folder.File("Tessaly.ini");
    WriteFile(path, c.text);
    CIni ini(path);
    CSettings settings;
    RunOnce(path, &ini, &settings);
    EXPECT_EQ(settings.volume, c.volume);
    EXPECT_EQ(settings.mute, c.mute);
    EXPECT_EQ(settings.view2, 0);

    // What was there is still there, and a second start reads the same values.
    const std::string text = ReadFile(path);
    const std::string head = c.text.substr(0, 30);
    EXPECT_EQ(text.substr(0, head.size()), head);
    CSettings again;
    again.Read(path);
    EXPECT_EQ(again.volume, c.volume);
    EXPECT_EQ(again.mute, c.mute);
    EXPECT_EQ(again.serverHost, "127.0.0.1:8321");
  }
}

TEST(SettingsTest, WriteFailuresKeepTheOldFile) {
  TempFolder folder;
  const std::string path = folder.File("Tessaly.ini");
  WriteFile(path, "[Application]\nVolume=20\n");
  fs::permissions(path, fs::perms::owner_read);
  CSettings settings;
  settings.volume = 80;
  EXPECT_FALSE(settings.Write(path));
  CIni ini(path);
  EXPECT_FALSE(ini.Write());
  EXPECT_EQ(ReadFile(path), "[Application]\nVolume=20\n");

  // An unreadable file is not replaced by our keys alone.
  const std::string dir = folder.File("dir.ini");
  fs::create_directory(dir);
  EXPECT_FALSE(settings.Write(dir));
  EXPECT_TRUE(fs::is_directory(dir));

  // Nor is a file too large to be a settings file.
  const std::string large = folder.File("large.ini");
  const std::string junk(1024 * 1024 + 1, '\n');
  WriteFile(large, junk);
  EXPECT_FALSE(settings.Write(large));
  EXPECT_FALSE(CIni(large).Write());
  EXPECT_EQ(ReadFile(large), junk);

  EXPECT_FALSE(settings.Write(folder.File("missing/Tessaly.ini")));
}

TEST(IniTest, VersionStampAndWindowPosition) {
  TempFolder folder;
  const std::string path = folder.File("Tessaly.ini");
  WriteFile(path, "[Application]\nVersion=\n[Window]\nx=-30\ny=abc\n");
  CIni ini(path);
  ini.Read();
  EXPECT_EQ(ini.storedVersion, 0);
  EXPECT_EQ(ini.x, -30);
  EXPECT_EQ(ini.y, 0);

  ini.flags = 0x7F123456;
  ini.x = 12;
  ini.y = -4;
  ASSERT_TRUE(ini.Write());
  EXPECT_EQ(ReadFile(path), "[Application]\nVersion=1.0.1\nFlags=1193046\n[Window]\nx=12\ny=-4\n");
}

}  // namespace
}  // namespace tessaly
