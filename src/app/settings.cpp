#include "app/settings.h"

#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "base/files.h"
#include "base/line_file.h"
#include "base/messages.h"
#include "base/terminal_text.h"

namespace tavrik {

namespace fs = std::filesystem;

namespace {

fs::path configFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  const fs::path base = (config && *config) ? fs::path(config) : fs::path(home ? home : ".") / ".config";
  return base / "tavrik";
}

// The player's settings by name, each with its field.
struct SettingField {
  const char* name;
  int PlayerSettings::*number;
  bool PlayerSettings::*flag;
};
constexpr SettingField kSettingFields[] = {
    {"MasterVolume", &PlayerSettings::masterVolume, nullptr},
    {"MusicVolume", &PlayerSettings::musicVolume, nullptr},
    {"EffectVolume", &PlayerSettings::effectVolume, nullptr},
    {"MasterMuted", nullptr, &PlayerSettings::masterMuted},
    {"MusicMuted", nullptr, &PlayerSettings::musicMuted},
    {"EffectMuted", nullptr, &PlayerSettings::effectMuted},
    {"AutoPauseMs", &PlayerSettings::autoPauseMs, nullptr},
    {"AutoPausePerCharacterMs", &PlayerSettings::autoPausePerCharacterMs, nullptr},
    {"ReadOnlySkip", nullptr, &PlayerSettings::readOnlySkip},
    {"TextSpeed", &PlayerSettings::textSpeed, nullptr},
    {"ClickCompletesText", nullptr, &PlayerSettings::clickCompletes},
    {"Speech", nullptr, &PlayerSettings::speech},
    {"ClipboardText", nullptr, &PlayerSettings::clipboardText},
};

// The window's size and its scaling are kept as words; any other word is the default.
constexpr std::pair<std::string_view, WindowScale> kWindowScaleWords[] = {{"1", WindowScale::One},
                                                                          {"1.5", WindowScale::OneAndHalf},
                                                                          {"2", WindowScale::Two},
                                                                          {"fit", WindowScale::Fit}};
constexpr std::string_view kSmooth = "smooth", kSharp = "sharp";

// The player's own settings files hold a few short lines: a larger one is read only so far (its last
// line only when it ends there), so that neither memory nor the start waits on it.
constexpr std::size_t kMaxSettingsFileSize = 64 * 1024;

bool loadSettings(const fs::path& file, LineFile& lines) {
  bool cut = false;
  std::optional<std::string> data = readFileStart(file, kMaxSettingsFileSize, &cut);
  if (!data) return false;
  if (cut) {
    const std::size_t lastBreak = data->rfind('\n');
    data->resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
    std::fprintf(stderr, "tavrik: %s\n",
                 ja(MessageId::SettingsFileCut,
                    {terminalText(file.string()), std::to_string(kMaxSettingsFileSize / 1024)})
                     .c_str());
  }
  lines.assign(std::move(*data));
  return true;
}

}  // namespace

fs::path settingsFile(const fs::path& moduleDirectory) {
  if (::access(moduleDirectory.c_str(), W_OK) == 0) return moduleDirectory / "tavrik.ini";
  return configFolder() / "tavrik.ini";
}

fs::path playerSettingsFile() {
  return configFolder() / "player.ini";
}

PlayerSettings readPlayerSettings(const fs::path& file) {
  PlayerSettings settings;
  LineFile lines;
  if (!loadSettings(file, lines)) return settings;
  for (const SettingField& field : kSettingFields) {
    const std::string text = lines.get(field.name);
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) continue;
    if (field.number) settings.*field.number = value;
    if (field.flag && (value == 0 || value == 1)) settings.*field.flag = value == 1;
  }
  const std::string scale = lines.get("WindowScale");
  for (const auto& [word, value] : kWindowScaleWords)
    if (scale == word) settings.windowScale = value;
  settings.smoothScaling = lines.get("Scaling") == kSmooth;
  return settings.clamped();
}

bool writePlayerSettings(const fs::path& file, const PlayerSettings& settings) {
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  LineFile lines;
  for (const SettingField& field : kSettingFields)
    lines.set(field.name,
              std::to_string(field.number ? settings.*field.number : (settings.*field.flag ? 1 : 0)));
  for (const auto& [word, value] : kWindowScaleWords)
    if (settings.windowScale == value) lines.set("WindowScale", word);
  lines.set("Scaling", settings.smoothScaling ? kSmooth : kSharp);
  return lines.saveAtomically(file);
}

std::string readFontSetting(const fs::path& file) {
  LineFile settings;
  if (!loadSettings(file, settings)) return {};
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
