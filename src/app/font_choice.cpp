#include "app/font_choice.h"

#include "app/settings.h"
#include "base/files.h"
#include "base/text_encoding.h"

namespace tavrik {

std::string fontMenuLabel(const std::string& sjisFace, int index) {
  std::string label = sjisToUtf8(sjisFace);
  if (index >= 0 && index < 26) label += std::string("(&") + static_cast<char>('A' + index) + ")";
  return label;
}

FontChoice::FontChoice(std::vector<std::string> faces, std::filesystem::path settingsFile)
    : faces_(std::move(faces)), settingsFile_(std::move(settingsFile)) {
  // What a player killed while saving left beside the settings goes now.
  removeStaleTemporaryFiles(settingsFile_);
  chosen_ = selectedFontIndex(faces_, readFontSetting(settingsFile_));
}

std::string FontChoice::face() const {
  return faces_.empty() ? std::string() : faces_[static_cast<std::size_t>(chosen_)];
}

bool FontChoice::choose(int index) {
  if (index < 0 || index >= static_cast<int>(faces_.size())) return false;
  chosen_ = index;
  return true;
}

std::vector<MenuItem> FontChoice::menuItems(int firstCommand) const {
  std::vector<MenuItem> items;
  for (std::size_t i = 0; i < faces_.size(); ++i) {
    const int index = static_cast<int>(i);
    items.push_back({fontMenuLabel(faces_[i], index), firstCommand + index, index == chosen_});
  }
  return items;
}

void FontChoice::save() const {
  if (!settingsFile_.empty()) writeFontSetting(settingsFile_, face());
}

}  // namespace tavrik
