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

#ifdef _WIN32
constexpr const char* kConfigVariable = "APPDATA";
constexpr const char* kSeparator = "\\";
#else
constexpr const char* kConfigVariable = "XDG_CONFIG_HOME";
constexpr const char* kSeparator = "/";
#endif

// Sets (or with nothing, clears) the host's settings variable, given as UTF-8.
void SetConfigVariable(const std::optional<std::string>& value) {
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

// The process environment, with a folder name beyond ASCII (and beyond the ANSI
// code page on Windows): the settings must not go elsewhere for such a user.
TEST(SettingsPathTest, SystemEnvironmentCreatesTheFolder) {
  TempFolder folder;
  const std::u8string base = folder.path().u8string();
  const std::string config = std::string(base.begin(), base.end()) + kSeparator + "deep" +
                             kSeparator + "\xD0\x9D\xD0\xB0\xD1\x81\xE2\x99\xAB";
  const char* old = std::getenv(kConfigVariable);
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  SetConfigVariable(config);
  const std::string created = config + kSeparator + "Tessaly";
  EXPECT_EQ(SettingsFilePath(SystemPathEnvironment("/opt/tessaly")),
            created + kSeparator + "Tessaly.ini");
  EXPECT_TRUE(fs::is_directory(fs::path(std::u8string(created.begin(), created.end()))));
  SetConfigVariable(saved);
}

// The location rules with an injected environment: a relative or empty
// folder would depend on where the program was started, so it counts as unset.
TEST(SettingsPathTest, LocationRules) {
  using Env = std::map<std::string, std::string>;
  using enum PathStyle;
  const struct {
    PathStyle style;
    Env vars;
    std::string expected;  // the settings file; "" = the program folder's
  } cases[] = {
      {kXdg, {{"XDG_CONFIG_HOME", "/x/cfg"}, {"HOME", "/home/u"}}, "/x/cfg/Tessaly"},
      {kXdg, {{"XDG_CONFIG_HOME", "/x/cfg/"}}, "/x/cfg/Tessaly"},
      {kXdg, {{"HOME", "/home/u"}}, "/home/u/.config/Tessaly"},
      {kXdg, {{"XDG_CONFIG_HOME", "cfg"}, {"HOME", "/home/u"}}, "/home/u/.config/Tessaly"},
      {kXdg, {{"XDG_CONFIG_HOME", ""}, {"HOME", "/home/u"}}, "/home/u/.config/Tessaly"},
      {kXdg, {{"XDG_CONFIG_HOME", "./cfg"}, {"HOME", "home/u"}}, ""},
      {kXdg, {{"APPDATA", "/w"}}, ""},
      {kXdg, {}, ""},
      {kWindows, {{"APPDATA", "C:\\Users\\u"}}, "C:\\Users\\u\\Tessaly"},
      {kWindows, {{"APPDATA", "D:/AppData/"}}, "D:/AppData/Tessaly"},
      {kWindows, {{"APPDATA", "\\\\srv\\home"}}, "\\\\srv\\home\\Tessaly"},
      {kWindows, {{"APPDATA", "C:Users"}, {"HOME", "/home/u"}}, ""},
      {kWindows, {{"APPDATA", "\\Users"}}, ""},
      {kWindows, {{"APPDATA", "C:"}}, ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> made;
    PathEnvironment env;
    env.style = c.style;
    env.programFolder = "/opt/tessaly";
    env.getEnv = [&c](const std::string& name) -> std::optional<std::string> {
      const auto it = c.vars.find(name);
      return it == c.vars.end() ? std::nullopt : std::optional(it->second);
    };
    // A folder that cannot be made is still named: writing there fails later.
    env.ensureFolder = [&made](const std::string& folder) {
      made.push_back(folder);
      return false;
    };
    const std::string sep = c.style == PathStyle::kWindows ? "\\" : "/";
    const std::string folder = c.expected.empty() ? "/opt/tessaly" : c.expected;
    EXPECT_EQ(SettingsFilePath(env), folder + sep + "Tessaly.ini") << c.expected;
    EXPECT_EQ(made, c.expected.empty() ? std::vector<std::string>{} : std::vector{c.expected});
  }
}

}  // namespace
}  // namespace tessaly
