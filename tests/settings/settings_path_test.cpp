#include "settings/settings_path.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

PathEnvironment FakeEnvironment(std::map<std::string, std::string> vars, PathStyle style,
                                std::vector<std::string>* created) {
  PathEnvironment env;
  env.getEnv = [vars](const std::string& name) -> std::optional<std::string> {
    const auto it = vars.find(name);
    if (it == vars.end()) {
      return std::nullopt;
    }
    return it->second;
  };
  env.programFolder =
      style == PathStyle::kWindows ? "C:\\Program Files\\Tessaly\\" : "/opt/tessaly/";
  env.style = style;
  env.ensureFolder = [created](const std::string& folder) {
    created->push_back(folder);
    return true;
  };
  return env;
}

TEST(SettingsPathTest, LinuxFollowsTheXdgRules) {
  std::vector<std::string> created;
  const auto path = [&](std::map<std::string, std::string> vars) {
    return SettingsFilePath(FakeEnvironment(std::move(vars), PathStyle::kXdg, &created));
  };
  EXPECT_EQ(path({{"XDG_CONFIG_HOME", "/x/conf"}, {"HOME", "/home/u"}}),
            "/x/conf/Tessaly/Tessaly.ini");
  EXPECT_EQ(path({{"XDG_CONFIG_HOME", "/x/conf/"}}), "/x/conf/Tessaly/Tessaly.ini");
  EXPECT_EQ(created, (std::vector<std::string>{"/x/conf/Tessaly", "/x/conf/Tessaly"}));
  // Unset, empty or relative XDG_CONFIG_HOME means ~/.config.
  EXPECT_EQ(path({{"HOME", "/home/u"}}), "/home/u/.config/Tessaly/Tessaly.ini");
  EXPECT_EQ(path({{"XDG_CONFIG_HOME", "conf"}, {"HOME", "/home/u"}}),
            "/home/u/.config/Tessaly/Tessaly.ini");
  // No home at all: beside the program, and no folder is made.
  created.clear();
  EXPECT_EQ(path({}), "/opt/tessaly/Tessaly.ini");
  EXPECT_TRUE(created.empty());
}

TEST(SettingsPathTest, WindowsUsesTheApplicationDataFolder) {
  std::vector<std::string> created;
  const auto path = [&](std::map<std::string, std::string> vars) {
    return SettingsFilePath(FakeEnvironment(std::move(vars), PathStyle::kWindows, &created));
  };
  EXPECT_EQ(path({{"APPDATA", "C:\\Users\\u\\AppData\\Roaming"}, {"XDG_CONFIG_HOME", "/x"}}),
            "C:\\Users\\u\\AppData\\Roaming\\Tessaly\\Tessaly.ini");
  EXPECT_EQ(created, (std::vector<std::string>{"C:\\Users\\u\\AppData\\Roaming\\Tessaly"}));
  EXPECT_EQ(path({{"HOME", "C:\\Users\\u"}}), "C:\\Program Files\\Tessaly\\Tessaly.ini");
}

#ifdef _WIN32
constexpr const char* kConfigVariable = "APPDATA";
constexpr const char* kSeparator = "\\";
#else
constexpr const char* kConfigVariable = "XDG_CONFIG_HOME";
constexpr const char* kSeparator = "/";
#endif

// Sets the host's settings variable (UTF-8) for one scope.
class ScopedConfigVariable {
 public:
  explicit ScopedConfigVariable(const std::string& value) {
    if (const char* old = std::getenv(kConfigVariable)) {
      old_ = old;
    }
    Set(value);
  }
  ~ScopedConfigVariable() { Set(old_); }
  ScopedConfigVariable(const ScopedConfigVariable&) = delete;
  ScopedConfigVariable& operator=(const ScopedConfigVariable&) = delete;

 private:
  static void Set(const std::optional<std::string>& value) {
#ifdef _WIN32
    const std::u8string utf8 = value ? std::u8string(value->begin(), value->end()) : u8"";
    _wputenv_s(L"APPDATA", fs::path(utf8).wstring().c_str());
#else
    if (value) {
      setenv(kConfigVariable, value->c_str(), 1);
    } else {
      unsetenv(kConfigVariable);
    }
#endif
  }
  std::optional<std::string> old_;
};

// The real environment, with a folder name beyond ASCII (and beyond the ANSI
// code page on Windows): the settings must not go elsewhere for such a user.
TEST(SettingsPathTest, SystemEnvironmentCreatesTheFolder) {
  TempFolder folder;
  const std::u8string base = folder.path().u8string();
  const std::string config = std::string(base.begin(), base.end()) + kSeparator + "deep" +
                             kSeparator + "\xD0\x9D\xD0\xB0\xD1\x81\xE2\x99\xAB";
  const std::string sep = kSeparator;
  const auto path = [](const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
  };
  {
    ScopedConfigVariable set(config);
    const PathEnvironment env = SystemPathEnvironment("/opt/tessaly");
    EXPECT_EQ(SettingsFilePath(env), config + sep + "Tessaly" + sep + "Tessaly.ini");
    EXPECT_TRUE(fs::is_directory(path(config + sep + "Tessaly")));
  }
  // A folder that cannot be made is still named; writing there just fails later.
  const std::string blocked = (folder.path() / "file").string();
  testing::WriteFile(blocked, "x");
  ScopedConfigVariable set(blocked);
  EXPECT_EQ(SettingsFilePath(SystemPathEnvironment("/opt/tessaly")),
            blocked + sep + "Tessaly" + sep + "Tessaly.ini");
}

}  // namespace
}  // namespace tessaly
