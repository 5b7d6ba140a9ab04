#include "settings/settings_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tessaly {
namespace {

TEST(SettingsPathTest, XdgRulesOnLinuxAndTheApplicationDataFolderOnWindows) {
  std::vector<std::string> created;
  const auto path = [&](std::map<std::string, std::string> vars, PathStyle style) {
    PathEnvironment env;
    env.getEnv = [vars](const std::string& name) -> std::optional<std::string> {
      return vars.count(name) ? std::optional(vars.at(name)) : std::nullopt;
    };
    env.programFolder = style == PathStyle::kWindows ? "C:\\Program Files\\Tessaly\\" : "/opt/t/";
    env.style = style;
    env.ensureFolder = [&](const std::string& folder) {
      created.push_back(folder);
      return true;
    };
    return SettingsFilePath(env);
  };
  const auto xdg = PathStyle::kXdg;
  EXPECT_EQ(path({{"XDG_CONFIG_HOME", "/x/conf"}, {"HOME", "/h"}}, xdg),
            "/x/conf/Tessaly/Tessaly.ini");
  EXPECT_EQ(path({{"XDG_CONFIG_HOME", "/x/conf/"}}, xdg), "/x/conf/Tessaly/Tessaly.ini");
  EXPECT_EQ(created, (std::vector<std::string>{"/x/conf/Tessaly", "/x/conf/Tessaly"}));
  // Unset, empty or relative XDG_CONFIG_HOME means ~/.config.
  EXPECT_EQ(path({{"HOME", "/h"}}, xdg), "/h/.config/Tessaly/Tessaly.ini");
  EXPECT_EQ(path({{"XDG_CONFIG_HOME", "c"}, {"HOME", "/h"}}, xdg),
            "/h/.config/Tessaly/Tessaly.ini");
  created.clear();  // no home at all: beside the program, and no folder is made
  EXPECT_EQ(path({}, xdg), "/opt/t/Tessaly.ini");
  EXPECT_TRUE(created.empty());
  EXPECT_EQ(path({{"APPDATA", "C:\\A"}, {"XDG_CONFIG_HOME", "/x"}}, PathStyle::kWindows),
            "C:\\A\\Tessaly\\Tessaly.ini");
  EXPECT_EQ(created, (std::vector<std::string>{"C:\\A\\Tessaly"}));
  EXPECT_EQ(path({{"HOME", "C:\\U"}}, PathStyle::kWindows),
            "C:\\Program Files\\Tessaly\\Tessaly.ini");

  // The system environment makes the folder.
  const std::filesystem::path root = std::filesystem::path(::testing::TempDir()) / "tessaly-xdg";
  PathEnvironment env = SystemPathEnvironment("/opt/t");
  env.getEnv = [&](const std::string& name) -> std::optional<std::string> {
    return name == "XDG_CONFIG_HOME" ? std::optional(root.string()) : std::nullopt;
  };
  env.style = xdg;
  EXPECT_EQ(SettingsFilePath(env), (root / "Tessaly" / "Tessaly.ini").string());
  EXPECT_TRUE(std::filesystem::is_directory(root / "Tessaly"));
  std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace tessaly
