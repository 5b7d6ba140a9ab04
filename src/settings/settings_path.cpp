#include "settings/settings_path.h"

#include <cstdlib>
#include <exception>
#include <filesystem>

namespace tessaly {

namespace {

constexpr const char* kFolderName = "Tessaly";
constexpr const char* kFileName = "Tessaly.ini";

bool IsSeparator(char c, PathStyle style) {
  return c == '/' || (style == PathStyle::kWindows && c == '\\');
}

std::string Join(const std::string& folder, const std::string& name, PathStyle style) {
  if (folder.empty()) {
    return name;
  }
  if (IsSeparator(folder.back(), style)) {
    return folder + name;
  }
  return folder + (style == PathStyle::kWindows ? "\\" : "/") + name;
}

bool IsAbsolute(const std::string& path, PathStyle style) {
  if (style == PathStyle::kWindows) {
    const bool drive = path.size() >= 3 && path[1] == ':' && IsSeparator(path[2], style);
    const bool unc = path.size() >= 2 && IsSeparator(path[0], style) && IsSeparator(path[1], style);
    return drive || unc;
  }
  return !path.empty() && path.front() == '/';
}

// The user's folder for application settings, or nothing.
std::optional<std::string> UserConfigFolder(const PathEnvironment& env) {
  auto get = [&env](const char* name) -> std::optional<std::string> {
    if (!env.getEnv) {
      return std::nullopt;
    }
    std::optional<std::string> value = env.getEnv(name);
    // A relative folder would depend on where the program was started from.
    if (value && !IsAbsolute(*value, env.style)) {
      return std::nullopt;
    }
    return value;
  };
  if (env.style == PathStyle::kWindows) {
    return get("APPDATA");
  }
  if (std::optional<std::string> xdg = get("XDG_CONFIG_HOME")) {
    return xdg;
  }
  if (std::optional<std::string> home = get("HOME")) {
    return Join(*home, ".config", env.style);
  }
  return std::nullopt;
}

}  // namespace

PathEnvironment SystemPathEnvironment(std::string programFolder) {
  PathEnvironment env;
  env.getEnv = [](const std::string& name) -> std::optional<std::string> {
#ifdef _WIN32
    // The wide environment: the narrow one is in the ANSI code page, which
    // cannot spell every user's folder name.
    const std::wstring wideName(name.begin(), name.end());  // our names are ASCII
    const wchar_t* value = _wgetenv(wideName.c_str());
    if (value == nullptr) {
      return std::nullopt;
    }
    try {
      const std::u8string utf8 = std::filesystem::path(value).u8string();
      return std::string(utf8.begin(), utf8.end());
    } catch (const std::exception&) {
      return std::nullopt;  // not valid UTF-16: no usable folder
    }
#else
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) {
      return std::nullopt;
    }
    return std::string(value);
#endif
  };
  env.programFolder = std::move(programFolder);
  env.ensureFolder = [](const std::string& folder) {
    try {
      const std::filesystem::path p(
          std::u8string(reinterpret_cast<const char8_t*>(folder.data()), folder.size()));
      std::error_code ec;
      std::filesystem::create_directories(p, ec);
      return std::filesystem::is_directory(p, ec);
    } catch (const std::exception&) {
      return false;
    }
  };
  return env;
}

std::string DataFolder(const PathEnvironment& env) {
  const std::optional<std::string> base = UserConfigFolder(env);
  if (!base) {
    return env.programFolder;
  }
  const std::string folder = Join(*base, kFolderName, env.style);
  if (env.ensureFolder) {
    env.ensureFolder(folder);
  }
  return folder;
}

std::string SettingsFilePath(const PathEnvironment& env) {
  return Join(DataFolder(env), kFileName, env.style);
}

}  // namespace tessaly
