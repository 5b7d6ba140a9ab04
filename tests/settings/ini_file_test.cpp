#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "support/temp_folder.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

// The line end of a new file: what the platform's own INI files use.
#ifdef _WIN32
#define NL "\r\n"
#else
#define NL "\n"
#endif

// Set changes only what it must: (text before, keys set in order, text after).
TEST(IniFileTest, SetChangesOnlyWhatItMust) {
  using Sets = std::vector<std::array<const char*, 3>>;
  const std::vector<std::tuple<std::string, Sets, std::string>> cases = {
      // Replaced in place with the spelling kept; new keys before the blank line
      // that ends a section; a new section at the end.
      {"; kept\n[Application]\n  Volume = 42 ; trailing\nUnknown=keep me\n\n[Other]\na=b\n",
       {{"application", "VOLUME", "7"},
        {"Application", "Mute", "1"},
        {"Window", "x", "3"},
        {"Window", "y", "4"}},
       "; kept\n[Application]\n  Volume=7\nUnknown=keep me\nMute=1\n\n[Other]\na=b\n"
       "[Window]\nx=3\ny=4\n"},
      // Duplicates are written in their first occurrence.
      {"[A]\nk=1\nk=2\n[a]\nk=3\nj=4\n",
       {{"A", "k", "9"}, {"A", "j", "5"}},
       "[A]\nk=9\nk=2\nj=5\n[a]\nk=3\nj=4\n"},
      // CR LF and the byte order mark stay; a last line without an end gets one.
      {"\xEF\xBB\xBF[Application]\r\nVolume=1\r\nlast=line",
       {{"Application", "Mute", "0"}, {"Window", "x", "2"}},
       "\xEF\xBB\xBF[Application]\r\nVolume=1\r\nlast=line\r\nMute=0\r\n[Window]\r\nx=2\r\n"},
      // Untouched lines keep their own ending.
      {"[A]\nk=1\r\nj=2\n", {{"A", "j", "3"}}, "[A]\nk=1\r\nj=3\n"},
      {"", {{"Application", "Version", "1.0.1"}}, "[Application]" NL "Version=1.0.1" NL},
      // A value cannot add lines.
      {"[A]\n", {{"A", "k", "1\r\n[B]\nj=2"}}, "[A]\nk=1\n"},
  };
  for (const auto& [before, sets, after] : cases) {
    IniFile ini(before);
    for (const auto& [section, key, value] : sets) {
      ini.Set(section, key, value);
    }
    EXPECT_EQ(ini.Text(), after) << before;
    const std::string last = sets.back()[2];
    EXPECT_EQ(ini.Get(sets.back()[0], sets.back()[1]), last.substr(0, last.find_first_of("\r\n")))
        << before;
  }
}

TEST(IniFileTest, SavesInPlaceThroughLinksAndLeavesTheOldFileAloneOnFailure) {
  TempFolder folder;
  const std::string path = folder.File("Tessaly.ini");
  IniFile::LoadResult result = IniFile::LoadResult::kRead;
  IniFile ini = IniFile::Load(path, &result);
  EXPECT_EQ(result, IniFile::LoadResult::kMissing);
  ini.Set("Application", "Volume", "5");
  ASSERT_TRUE(ini.Save(path));
  EXPECT_EQ(ReadFile(path), "[Application]" NL "Volume=5" NL);
  // The replacement keeps the old file's permissions (Windows has none beyond
  // read-only) and leaves no temporary file.
  WriteFile(path, "[A]\r\nk=1\r\n");
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  IniFile again = IniFile::Load(path, &result);
  EXPECT_EQ(result, IniFile::LoadResult::kRead);
  again.Set("A", "j", "2");
  ASSERT_TRUE(again.Save(path));
  EXPECT_EQ(ReadFile(path), "[A]\r\nk=1\r\nj=2\r\n");
#ifndef _WIN32
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
#endif
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
  // Through a symbolic link the target is written and the link stays (links
  // need a privilege on Windows, and Wine makes none).
#ifndef _WIN32
  fs::create_directory(folder.path() / "real");
  WriteFile(folder.File("real/t.ini"), "[A]\nk=1\n");
  fs::create_symlink(folder.File("real/t.ini"), folder.File("link.ini"));
  IniFile linked = IniFile::Load(folder.File("link.ini"));
  linked.Set("A", "k", "2");
  ASSERT_TRUE(linked.Save(folder.File("link.ini")));
  EXPECT_TRUE(fs::is_symlink(folder.File("link.ini")));
  EXPECT_EQ(ReadFile(folder.File("real/t.ini")), "[A]\nk=2\n");
#endif

  // A missing folder, a read-only file, a folder where the file should be.
  EXPECT_FALSE(ini.Save(folder.File("missing/Tessaly.ini")));
  EXPECT_FALSE(fs::exists(folder.path() / "missing"));
  WriteFile(folder.File("ro.ini"), "[A]\nk=1\n");
  fs::permissions(folder.File("ro.ini"), fs::perms::owner_read);
  EXPECT_FALSE(ini.Save(folder.File("ro.ini")));
  EXPECT_EQ(ReadFile(folder.File("ro.ini")), "[A]\nk=1\n");
  fs::create_directory(folder.path() / "dir.ini");
  IniFile::Load(folder.File("dir.ini"), &result);
  EXPECT_EQ(result, IniFile::LoadResult::kFailed);
  EXPECT_FALSE(ini.Save(folder.File("dir.ini")));
#ifdef _WIN32
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 3);
#else
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 5);
#endif
}

}  // namespace
}  // namespace tessaly
