#include "app/player_commands.h"

namespace tavrik {

namespace {

constexpr KeyChord kNone{};

// clang-format off
constexpr PlayerCommand kCommands[] = {
    // id                      menu            label                                   keys                          key name      in menu word          needs a game  controller button
    {kCommandExit, MenuId::System, "終了(&X)", {{Key::Escape}, kNone}, "Esc", false, "exit", false, PadButton::None},
    {kCommandSave, MenuId::System, "セーブ(&S)", {{Key::F2}, kNone}, "F2", true, "save", true, PadButton::None},
    {kCommandLoad, MenuId::System, "ロード(&L)", {{Key::F3}, kNone}, "F3", true, "load", true, PadButton::None},
    {kCommandQuickSave, MenuId::System, "クイックセーブ(&Q)", {{Key::F5}, kNone}, "F5", true, "quick-save", true, PadButton::None},
    {kCommandQuickLoad, MenuId::System, "クイックロード(&W)", {{Key::F9}, kNone}, "F9", true, "quick-load", true, PadButton::None},
    {kCommandHistory, MenuId::System, "履歴(&R)", {{Key::PageUp}, kNone}, "PageUp", true, "history", true, PadButton::None},
    {kCommandAutoMode, MenuId::System, "オートモード(&A)", {{Key::A}, kNone}, "A", true, "auto", true, PadButton::None},
    {kCommandReadSkip, MenuId::System, "既読スキップ(&K)", {kNone, kNone}, "", false, "read-skip", true, PadButton::None},
    {kCommandSettings, MenuId::System, "音量と設定(&O)", {{Key::F4}, kNone}, "F4", true, "settings", true, PadButton::None},
    {kCommandRollback, MenuId::System, "ひとつ戻る(&B)", {{Key::Backspace}, kNone}, "Backspace", true, "rollback", true, PadButton::LeftShoulder},
    {kCommandToggleFullscreen, MenuId::View, "フルスクリーン/ウィンドウ切り替え(&F)", {{Key::Return, kAlt}, kNone}, "Alt+Return", false, "fullscreen", false, PadButton::None},
    {kCommandDebugView, MenuId::View, "デバッグ表示(&D)", {{Key::F12}, kNone}, "F12", true, "debug", true, PadButton::None},
    {kCommandHideText, MenuId::View, "本文を隠す(&T)", {{Key::H}, kNone}, "H", true, "hide-text", true, PadButton::Back},
    {kCommandScreenshot, MenuId::View, "スクリーンショット(&S)", {{Key::P}, kNone}, "P", true, "screenshot", true, PadButton::None},
    {kCommandSpeech, MenuId::View, "読み上げ(&Y)", {{Key::V}, kNone}, "V", true, "speech", true, PadButton::None},
    {kCommandClipboardText, MenuId::View, "本文をクリップボードへ(&C)", {{Key::C, kShift}, kNone}, "Shift+C", true, "clipboard-text", true, PadButton::None},
    {kCommandWindow1x, MenuId::View, "等倍(&1)", {kNone, kNone}, "", false, "window-1x", false, PadButton::None},
    {kCommandWindow1_5x, MenuId::View, "1.5倍(&5)", {kNone, kNone}, "", false, "window-1.5x", false, PadButton::None},
    {kCommandWindow2x, MenuId::View, "2倍(&2)", {kNone, kNone}, "", false, "window-2x", false, PadButton::None},
    {kCommandWindowFit, MenuId::View, "画面に合わせる(&M)", {kNone, kNone}, "", false, "window-fit", false, PadButton::None},
    {kCommandSmoothScaling, MenuId::View, "なめらかに拡大(&N)", {kNone, kNone}, "", false, "smooth-scaling", false, PadButton::None},
    {kCommandHelp, MenuId::Help, "ヘルプ(&H)", {{Key::F1}, kNone}, "F1", false, "help", false, PadButton::None},
    {kCommandVersion, MenuId::Help, "バージョン情報(&V)", {{Key::F1, kShift}, kNone}, "Shift+F1", false, "version", false, PadButton::None},
    {kCommandReload, MenuId::None, "", {{Key::R, kCtrl}, kNone}, "Ctrl+R", false, "reload", true, PadButton::None},
    {kCommandSystemMenu, MenuId::None, "", {kNone, kNone}, "", false, "system-menu", true, PadButton::Start},
};
// clang-format on

}  // namespace

std::span<const PlayerCommand> playerCommands() {
  return kCommands;
}

const PlayerCommand* findCommand(int id) {
  for (const PlayerCommand& command : kCommands)
    if (command.id == id) return &command;
  return nullptr;
}

const PlayerCommand* commandForKey(Key key, unsigned heldModifiers) {
  const PlayerCommand* best = nullptr;
  int bestCount = -1;
  for (const PlayerCommand& command : kCommands) {
    for (const KeyChord& chord : command.keys) {
      if (chord.key != key || key == Key::Unknown || (chord.modifiers & heldModifiers) != chord.modifiers)
        continue;
      const int count = __builtin_popcount(chord.modifiers);
      if (count > bestCount) {
        best = &command;
        bestCount = count;
      }
    }
  }
  return best;
}

const PlayerCommand* commandForPad(PadButton button) {
  // The guide button is a second Start, as controllers without one have only Start.
  if (button == PadButton::Guide) button = PadButton::Start;
  if (button == PadButton::None) return nullptr;
  for (const PlayerCommand& command : kCommands)
    if (command.pad == button) return &command;
  return nullptr;
}

std::optional<int> commandIdNamed(std::string_view word) {
  for (const PlayerCommand& command : kCommands)
    if (command.word == word) return command.id;
  return std::nullopt;
}

std::string_view menuTitle(MenuId menu) {
  switch (menu) {
    case MenuId::System:
      return "システム(&S)";
    case MenuId::View:
      return "表示(&V)";
    case MenuId::Font:
      return "フォント(&F)";
    case MenuId::Help:
      return "ヘルプ(&H)";
    case MenuId::None:
      break;
  }
  return {};
}

std::vector<MenuPopup> buildMenus(const std::function<bool(int)>& offered,
                                  const std::function<bool(int)>& checked, std::vector<MenuItem> fontItems) {
  std::vector<MenuPopup> menus;
  for (const MenuId menu : {MenuId::System, MenuId::View, MenuId::Font, MenuId::Help}) {
    MenuPopup popup{std::string(menuTitle(menu)), {}};
    if (menu == MenuId::Font) popup.items = std::move(fontItems);
    for (const PlayerCommand& command : kCommands) {
      if (command.menu != menu || !offered(command.id)) continue;
      popup.items.emplace_back(std::string(command.label), command.id, checked(command.id),
                               std::string(command.keyInMenu ? command.keyName : std::string_view()));
    }
    menus.push_back(std::move(popup));
  }
  return menus;
}

}  // namespace tavrik
