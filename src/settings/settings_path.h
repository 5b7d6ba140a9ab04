#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tessaly {

enum class PathStyle { kXdg, kWindows };

#ifdef _WIN32
inline constexpr PathStyle kHostPathStyle = PathStyle::kWindows;
#else
inline constexpr PathStyle kHostPathStyle = PathStyle::kXdg;
#endif

// What the settings location depends on, so tests can supply their own
// environment instead of the real home folder.
struct PathEnvironment {
  // An environment variable as UTF-8, or nothing when it is not set.
  std::function<std::optional<std::string>(const std::string& name)> getEnv;
  // The program's own folder, used when no user folder can be had.
  std::string programFolder;
  PathStyle style = kHostPathStyle;
  // Makes sure the folder exists (creating its parents too); returns whether
  // it does afterwards.
  std::function<bool(const std::string& folder)> ensureFolder;
};

// The process environment and std::filesystem folder creation.
PathEnvironment SystemPathEnvironment(std::string programFolder);

// The folder that holds the settings file: "$XDG_CONFIG_HOME/Tessaly" (else
// "$HOME/.config/Tessaly") on Linux, "%APPDATA%\Tessaly" on Windows, created
// when missing; the program folder when no user folder is known. A folder
// that cannot be created is still returned: the settings are then simply not
// kept.
std::string DataFolder(const PathEnvironment& env);

// DataFolder joined with "Tessaly.ini".
std::string SettingsFilePath(const PathEnvironment& env);

}  // namespace tessaly
