// The font menu's choice: the Japanese faces installed and the one the text is drawn in, kept in
// "tavrik.ini" between runs.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "ui/menu_bar.h"

namespace tavrik {

// The label of face i in the font menu: the face (UTF-8), and for the first 26 an access key "(&A)"..
std::string fontMenuLabel(const std::string& sjisFace, int index);

class FontChoice {
 public:
  FontChoice() = default;
  // The faces (Shift-JIS); the one the settings file names is chosen, else the first.
  FontChoice(std::vector<std::string> faces, std::filesystem::path settingsFile);

  // The chosen face (Shift-JIS); empty when there is none.
  std::string face() const;
  bool has(int index) const { return index >= 0 && index < static_cast<int>(faces_.size()); }
  // Chooses face index; false when there is no such face.
  bool choose(int index);
  // The font menu: a checked item for the chosen face, each item's command its id.
  std::vector<MenuItem> menuItems(int firstCommand) const;
  // Writes the choice to the settings file.
  void save() const;

 private:
  std::vector<std::string> faces_;
  int chosen_ = 0;
  std::filesystem::path settingsFile_;
};

}  // namespace tavrik
