// The menu bar, drawn with Dear ImGui in a strip above the game (or over it in fullscreen). It shows a
// menu model the application owns and reports the commands the user picks.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tavrik {

class DisplayWindow;

struct MenuItem {
  std::string label;  // UTF-8, "(&X)" marks the access key
  int command = 0;
  bool checked = false;
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

  // Nothing when the menu cannot be drawn (no Japanese font file). The font atlas holds only the
  // characters the labels use.
  static std::unique_ptr<MenuBar> create(DisplayWindow& window, const std::vector<MenuPopup>& menus,
                                         const std::string& fontFile, int fontIndex);
  ~MenuBar();
  MenuBar(const MenuBar&) = delete;
  MenuBar& operator=(const MenuBar&) = delete;

  int height() const { return kHeight; }

  // Feeds a window-system event (an SDL_Event); true when the menu takes it, so the game must not
  // see it (a click on the bar, keys while a menu is open).
  bool processEvent(const void* sdlEvent);
  // Draws the bar over whatever was presented (called at every present); picked commands are kept.
  void draw();
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
  // F10, like Alt alone: moves the keyboard to the bar.
  void focusWithKeyboard();

  void setMenus(const std::vector<MenuPopup>& menus) { menus_ = menus; }

 private:
  explicit MenuBar(DisplayWindow& window);

  DisplayWindow& window_;
  std::vector<MenuPopup> menus_;
  std::vector<int> commands_;
  bool shown_ = true;
  bool cursorInBand_ = false;
  bool engaged_ = false;
  int repaintFrames_ = 2;
  int pendingAlt_ = 0;
};

// The label as the menu shows it: "(&S)" becomes "(S)".
std::string displayLabel(const std::string& label);

}  // namespace tavrik
