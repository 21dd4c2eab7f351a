// The menu bar, drawn with Dear ImGui in a strip above the game (or over it in fullscreen). It shows a
// menu model the application owns and reports the commands the user picks.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tavrik {

class DisplayWindow;
class Overlay;

struct MenuItem {
  MenuItem(std::string itemLabel, int itemCommand, bool isChecked = false, std::string keyShown = {})
      : label(std::move(itemLabel)),
        command(itemCommand),
        checked(isChecked),
        shortcut(std::move(keyShown)) {}

  std::string label;  // UTF-8, "(&X)" marks the access key
  int command = 0;
  bool checked = false;
  std::string shortcut;  // the key shown beside the label ("F2"); empty for none
};

struct MenuPopup {
  std::string label;
  std::vector<MenuItem> items;
};

class MenuBar {
 public:
  // The strip's height in window pixels: the window is made this much taller than the game from the
  // start, so it never has to change size under a window manager.
  static constexpr int kHeight = 24;

  // The bar of a window, drawn by its overlay, which learns the characters of the labels.
  MenuBar(DisplayWindow& window, Overlay& overlay, const std::vector<MenuPopup>& menus);
  ~MenuBar();
  MenuBar(const MenuBar&) = delete;
  MenuBar& operator=(const MenuBar&) = delete;

  int height() const { return kHeight; }

  // Sees a window-system event (an SDL_Event) and hands it on to the overlay; true when the menu takes
  // it, so the game must not see it (a click on the bar, keys while a menu is open).
  bool processEvent(const void* sdlEvent);
  // Builds the bar in a frame of the overlay; picked commands are kept.
  void build();
  std::vector<int> takeCommands();

  // In fullscreen the bar is drawn only while the cursor is in the top band or a menu is open.
  void setShown(bool shown) { shown_ = shown; }
  bool shown() const { return shown_; }
  // The cursor was last seen in the band of the bar's height at the top of the window.
  bool cursorInBand() const { return cursorInBand_; }
  // A menu is open or the keyboard is in the bar: the game stands still meanwhile.
  bool engaged() const;
  // The bar changed its look (hover, open menu) and should be presented again.
  bool needsRepaint() const { return repaintFrames_ > 0; }
  // F10, like Alt alone: moves the keyboard to the bar, on its first menu.
  void focusWithKeyboard();

  void setMenus(const std::vector<MenuPopup>& menus);
  // A screen of the application's own is open over the game: the mouse over it is the screen's.
  void setScreenOpen(bool open) { screenOpen_ = open; }

 private:
  Overlay& overlay_;
  std::vector<MenuPopup> menus_;
  std::vector<int> commands_;
  bool shown_ = true;
  bool cursorInBand_ = false;
  bool engaged_ = false;
  bool screenOpen_ = false;
  bool menuOpen_ = false;
  int spaceFrom_ = 0;           // the key whose press stands for Space (its scancode), 0 for none
  bool spaceFromDown_ = false;  // and that key is Down
  int repaintFrames_ = 2;
  bool focusPending_ = false;
  int focusSettling_ = 0;  // frames left before the navigation the bar was given shows as active
  int focusMenu_ = -1;     // the menu whose title takes the keyboard, -1 for the first
  int openMenu_ = -1;      // the menu last open
};

// The label as the menu shows it: "(&S)" becomes "(S)".
std::string displayLabel(const std::string& label);

}  // namespace tavrik
