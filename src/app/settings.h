// The settings file "tavrik.ini": one line, "Font=" and the face chosen in the font menu.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tavrik {

// Beside the executable when its folder is writable; otherwise (an installed copy)
// $XDG_CONFIG_HOME/tavrik/tavrik.ini, with ~/.config for an unset XDG_CONFIG_HOME.
std::filesystem::path settingsFile(const std::filesystem::path& moduleDirectory);

// The saved face (Shift-JIS), empty when the file, or its "Font" line, is missing.
std::string readFontSetting(const std::filesystem::path& file);
// Writes the file anew as the single line "Font=" + face, atomically; false when it cannot be written.
bool writeFontSetting(const std::filesystem::path& file, const std::string& face);
// The index of the saved face in the list, or 0.
int selectedFontIndex(const std::vector<std::string>& faces, const std::string& saved);

}  // namespace tavrik
