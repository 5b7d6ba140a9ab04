#include "settings/ini.h"

#include <cstdio>

#include "settings/ini_file.h"
#include "settings/settings.h"

namespace tessaly {

void CIni::Read() {
  const IniFile ini = IniFile::Load(path_);
  const std::optional<std::string> version = ini.Get("Application", "Version");
  storedVersion = version && !version->empty();
  x = ReadIniInteger(ini, "Window", "x", 0);
  y = ReadIniInteger(ini, "Window", "y", 0);
}

bool CIni::Write() const {
  IniFile::LoadResult loaded;
  IniFile ini = IniFile::Load(path_, &loaded);
  // A file that exists but cannot be read must not be replaced by our few keys.
  if (loaded == IniFile::LoadResult::kFailed) {
    return false;
  }
  char version[32];
  std::snprintf(version, sizeof version, "%d.%d.%d", 1, 0, 1);
  ini.Set("Application", "Version", version);
  ini.Set("Application", "Flags", std::to_string(flags & 0xFFFFFF));
  ini.Set("Window", "x", std::to_string(x));
  ini.Set("Window", "y", std::to_string(y));
  return ini.Save(path_);
}

}  // namespace tessaly
