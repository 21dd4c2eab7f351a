#include "app/settings.h"

#include <unistd.h>

#include <cstdlib>

#include "base/line_file.h"

namespace tavrik {

namespace fs = std::filesystem;

fs::path settingsFile(const fs::path& moduleDirectory) {
  if (::access(moduleDirectory.c_str(), W_OK) == 0) return moduleDirectory / "tavrik.ini";
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  fs::path base = (config && *config) ? fs::path(config) : fs::path(home ? home : ".") / ".config";
  return base / "tavrik" / "tavrik.ini";
}

std::string readFontSetting(const fs::path& file) {
  LineFile settings;
  if (!settings.load(file)) return {};
  return settings.get("Font");
}

bool writeFontSetting(const fs::path& file, const std::string& face) {
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  // A fresh file: whatever else it held is not kept.
  LineFile settings;
  settings.set("Font", face);
  return settings.saveAtomically(file);
}

int selectedFontIndex(const std::vector<std::string>& faces, const std::string& saved) {
  for (std::size_t i = 0; i < faces.size(); ++i) {
    if (faces[i] == saved) return static_cast<int>(i);
  }
  return 0;
}

}  // namespace tavrik
