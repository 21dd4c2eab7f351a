// The player's own screens over the game (save, load, settings, history) as the player runs them: what
// each is given to show, and what is done with what it answers. The player's settings the settings
// screen changes live here too, with their file.
#pragma once

#include <filesystem>
#include <functional>

#include "app/screen_host.h"
#include "ui/player_settings.h"

namespace tavrik {

class AppFrame;
class AudioOutput;
class FontLibrary;
class PlayerSaves;
class ScriptEngine;

class PlayerScreens {
 public:
  // What the screens need of the player: the frame they are drawn in and ask with, the saves, the
  // engine playing now, the sound and the fonts (either may be missing), saving and loading a slot, and
  // going back to a history entry's wait.
  struct Hooks {
    AppFrame& frame;
    std::function<PlayerSaves&()> saves;
    std::function<ScriptEngine&()> engine;
    AudioOutput* audio = nullptr;
    FontLibrary* fonts = nullptr;
    std::function<bool(int)> saveSlot;
    std::function<bool(int)> loadSlot;
    // Back to the wait after a history entry was shown.
    std::function<bool(int)> returnTo;
    // Runs a command a menu screen picked.
    std::function<void(int)> runCommand;
    // Says what the screen's highlight moved to (self-voicing).
    std::function<void(const std::string&)> sayFocus;
  };
  explicit PlayerScreens(Hooks hooks);

  // The settings as read from their file at the start; the volumes are applied.
  void useSettings(std::filesystem::path file, const PlayerSettings& settings);
  const PlayerSettings& settings() const { return settings_; }
  // The menu's "skip only what was read", and its window size and scaling, are kept with the settings.
  void setReadOnlySkip(bool on);
  // Reading aloud and the clipboard's text are kept with the settings too.
  void setVoicing(bool speech, bool clipboardText);
  void setWindowView(WindowScale scale, bool smooth);

  bool isOpen() const { return host_.isOpen(); }
  // A screen is fading in or out: every frame draws.
  bool fading() const { return host_.fading() || host_.isOpen(); }
  static constexpr int kNoFocus = -100;
  // focus: the slot the highlight starts on, when not the screen's own choice.
  void openSlots(SlotScreen::Mode mode, int focus = kNoFocus);
  void openSettings();
  void openHistory();
  // The bar's menus as a screen, on the first (a controller's Start opens them so, on the system menu).
  void openMenus(const std::vector<MenuPopup>& menus);
  // An event while a screen is open; false for one that is not the screens' (the frame handles it).
  bool handle(const WindowEvent& event);
  void build() { host_.build(); }

 private:
  void take(ScreenAction action);
  void close();
  // A screen was opened or closed.
  void shown(bool open);
  // Says the item the highlight is on when it is not the one said last.
  void sayFocus();
  void keepSettings();

  Hooks hooks_;
  ScreenHost host_;
  PlayerSettings settings_;
  std::filesystem::path settingsFile_;
  std::string focusSaid_;
};

}  // namespace tavrik
