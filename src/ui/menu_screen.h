// A menu of the menu bar as a screen of its own, for a player without mouse or keyboard: a controller's
// Start opens the system menu here, its items and order as the bar shows them. It is drawn and answered
// as the other screens are, so it works in full screen and in a headless run too.
#pragma once

#include <string>
#include <vector>

#include "ui/menu_bar.h"
#include "ui/screen.h"

namespace tavrik {

class MenuScreen : public PlayerScreen {
 public:
  explicit MenuScreen(MenuPopup menu) : menu_(std::move(menu)), rects_(menu_.items.size()) {}

  void build() override;
  // Up and Down (Tab) move over the items, Return or Space runs the one the highlight is on, Escape
  // closes.
  ScreenAction key(Key key) override;
  ScreenAction click(int x, int y) override;
  void pointer(int x, int y) override;
  std::string characters() const override;

  int focusedItem() const { return item_; }
  // The label of the item the highlight is on, as the menu shows it.
  std::string focusWords() const override;

 private:
  MenuPopup menu_;
  int item_ = 0;
  std::vector<ScreenRect> rects_;
  ScreenRect closeRect_;
};

}  // namespace tavrik
