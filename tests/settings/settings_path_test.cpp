#include "settings/settings_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
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

TEST(SettingsPathTest, SystemEnvironmentCreatesTheFolder) {
  TempFolder folder;
  PathEnvironment env = SystemPathEnvironment("/opt/tessaly");
  const std::string config = (folder.path() / "deep" / "config").string();
  env.getEnv = [config](const std::string& name) -> std::optional<std::string> {
    if (name == "XDG_CONFIG_HOME") {
      return config;
    }
    return std::nullopt;
  };
  env.style = PathStyle::kXdg;
  EXPECT_EQ(SettingsFilePath(env), config + "/Tessaly/Tessaly.ini");
  EXPECT_TRUE(fs::is_directory(config + "/Tessaly"));

  // A folder that cannot be made is still named; writing there just fails later.
  const std::string blocked = (folder.path() / "file").string();
  testing::WriteFile(blocked, "x");
  env.getEnv = [blocked](const std::string&) -> std::optional<std::string> { return blocked; };
  EXPECT_EQ(SettingsFilePath(env), blocked + "/Tessaly/Tessaly.ini");
}

}  // namespace
}  // namespace tessaly
