// The menus of the menu bar as a screen of their own, for a player without mouse or keyboard: a
// controller's Start opens the system menu here, with the bar's items in the bar's order, and Left and
// Right go to the other menus as on the bar. It is drawn and answered as the other screens are, so it
// works in full screen and in a headless run too.
#pragma once

#include <string>
#include <vector>

#include "ui/menu_bar.h"
#include "ui/screen.h"

namespace tavrik {

class MenuScreen : public PlayerScreen {
 public:
  // Opens on the first menu given.
  explicit MenuScreen(std::vector<MenuPopup> menus) : menus_(std::move(menus)) {}

  void build() override;
  // Up and Down (Tab) move over the items, Left and Right to the menu before or after, Return or Space
  // runs the item the highlight is on, Escape closes.
  ScreenAction key(Key key) override;
  ScreenAction click(int x, int y) override;
  void pointer(int x, int y) override;
  std::string characters() const override;
  // The menu's title when it has just been turned to, and the label of the item the highlight is on.
  std::string focusWords() const override;

  int menu() const { return menu_; }
  int focusedItem() const { return item_; }

 private:
  const std::vector<MenuItem>& items() const { return menus_[static_cast<std::size_t>(menu_)].items; }
  void turn(int step);

  std::vector<MenuPopup> menus_;
  int menu_ = 0;
  int item_ = 0;
  bool turned_ = true;  // the menu was just opened or turned to: its title is said with the item
  std::vector<ScreenRect> rects_;
  ScreenRect closeRect_;
};

}  // namespace tavrik
