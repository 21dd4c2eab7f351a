// The player's commands, one row each: its id, where the menus show it and as what, the keys that run
// it, and its name in an events file. The menus, the key dispatch, the events file's "command" and the
// manual's key tables all come from these rows; what a command does is bound to its id by the player.
// Adding a command is a row here and its handler.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/window_events.h"
#include "ui/menu_bar.h"

namespace tavrik {

// Command ids, shared by the menus, the keys and the events file (which names them by number too, so
// they never change).
enum CommandId : int {
  kCommandExit = 0,
  kCommandToggleFullscreen = 1,
  kCommandHelp = 2,
  kCommandVersion = 3,
  kCommandFontBase = 1000,  // the font menu: kCommandFontBase + the face's index
  // The player's own functions, after the font menu's range.
  kCommandSave = 5001,
  kCommandLoad = 5002,
  kCommandQuickSave = 5003,
  kCommandQuickLoad = 5004,
  kCommandSettings = 5005,
  kCommandHistory = 5006,
  kCommandAutoMode = 5007,
  kCommandReadSkip = 5008,
  kCommandDebugView = 5009,
  kCommandReload = 5010,
  kCommandRollback = 5011,
  kCommandHideText = 5012,
  kCommandScreenshot = 5013,
  kCommandSpeech = 5014,
  kCommandClipboardText = 5015,
  kCommandWindow1x = 5016,
  kCommandWindow1_5x = 5017,
  kCommandWindow2x = 5018,
  kCommandWindowFit = 5019,
  kCommandSmoothScaling = 5020,
  kCommandSystemMenu = 5021,
};

// The menus of the menu bar, in their order; the font menu's items are the faces installed.
enum class MenuId { None, System, View, Font, Help };

// Modifiers a key needs held; a key whose row asks for none runs its command whatever is held.
enum KeyModifier : unsigned { kNoModifier = 0, kShift = 1, kAlt = 2, kCtrl = 4 };

struct KeyChord {
  Key key = Key::Unknown;
  unsigned modifiers = kNoModifier;
};

struct PlayerCommand {
  CommandId id;
  MenuId menu;               // MenuId::None: in no menu
  std::string_view label;    // the menu item (UTF-8), "(&X)" its access key
  KeyChord keys[2];          // the keys that run it, Key::Unknown for none
  std::string_view keyName;  // the first key as the manual shows it; empty for none
  bool keyInMenu;            // the menu shows the key beside the label (the player's own functions)
  std::string_view word;     // its name in an events file ("command save")
  bool needsGame;            // runs only while a game is loaded (the frame's own commands run without)
  PadButton pad;             // the controller's button that runs it, PadButton::None for none
};

// Every command, in menu order within each menu.
std::span<const PlayerCommand> playerCommands();
const PlayerCommand* findCommand(int id);
// The command a key pressed with these modifiers runs: the row asking for the most of the modifiers
// held, so Shift+F1 is not F1.
const PlayerCommand* commandForKey(Key key, unsigned heldModifiers);
// The command a controller's button runs (the guide button is Start's).
const PlayerCommand* commandForPad(PadButton button);
// The id of the command an events file names by a word.
std::optional<int> commandIdNamed(std::string_view word);
// The menu's title (UTF-8, with its access key).
std::string_view menuTitle(MenuId menu);

// The menu bar's menus, in their order, from the rows: an item for each command offered, checked as
// the player says; the font menu holds the items given.
std::vector<MenuPopup> buildMenus(const std::function<bool(int)>& offered,
                                  const std::function<bool(int)>& checked, std::vector<MenuItem> fontItems);

}  // namespace tavrik
