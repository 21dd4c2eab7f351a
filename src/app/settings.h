// The settings file "tavrik.ini": one line, "Font=" and the face chosen in the font menu.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "ui/player_settings.h"

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

// The player's own settings (volumes, auto mode's pause) live apart from "tavrik.ini", in
// $XDG_CONFIG_HOME/tavrik/player.ini (~/.config when it is unset), one "Name=value" a line.
//
// Of either file only the first 64 KB are read, and whole lines of them; standard error says so when
// there was more.
std::filesystem::path playerSettingsFile();
// The settings the file holds; a missing file, line or value out of range gives its default.
PlayerSettings readPlayerSettings(const std::filesystem::path& file);
bool writePlayerSettings(const std::filesystem::path& file, const PlayerSettings& settings);

}  // namespace tavrik
