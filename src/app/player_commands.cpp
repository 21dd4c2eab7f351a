#include "app/player_commands.h"

namespace tavrik {

namespace {

constexpr KeyChord kNone{};

// clang-format off
constexpr PlayerCommand kCommands[] = {
    // id                      menu            label                                   keys                          key name      in menu word          needs a game
    {kCommandExit, MenuId::System, "終了(&X)", {{Key::Escape}, kNone}, "Esc", false, "exit", false},
    {kCommandSave, MenuId::System, "セーブ(&S)", {{Key::F2}, kNone}, "F2", true, "save", true},
    {kCommandLoad, MenuId::System, "ロード(&L)", {{Key::F3}, kNone}, "F3", true, "load", true},
    {kCommandQuickSave, MenuId::System, "クイックセーブ(&Q)", {{Key::F5}, kNone}, "F5", true, "quick-save", true},
    {kCommandQuickLoad, MenuId::System, "クイックロード(&W)", {{Key::F9}, kNone}, "F9", true, "quick-load", true},
    {kCommandHistory, MenuId::System, "履歴(&R)", {{Key::PageUp}, kNone}, "PageUp", true, "history", true},
    {kCommandAutoMode, MenuId::System, "オートモード(&A)", {{Key::A}, kNone}, "A", true, "auto", true},
    {kCommandReadSkip, MenuId::System, "既読スキップ(&K)", {kNone, kNone}, "", false, "read-skip", true},
    {kCommandSettings, MenuId::System, "音量と設定(&O)", {{Key::F4}, kNone}, "F4", true, "settings", true},
    {kCommandRollback, MenuId::System, "ひとつ戻る(&B)", {{Key::Backspace}, kNone}, "Backspace", true, "rollback", true},
    {kCommandToggleFullscreen, MenuId::View, "フルスクリーン/ウィンドウ切り替え(&F)", {{Key::Return, kAlt}, kNone}, "Alt+Return", false, "fullscreen", false},
    {kCommandDebugView, MenuId::View, "デバッグ表示(&D)", {{Key::F12}, kNone}, "F12", true, "debug", true},
    {kCommandHideText, MenuId::View, "本文を隠す(&T)", {{Key::H}, kNone}, "H", true, "hide-text", true},
    {kCommandScreenshot, MenuId::View, "スクリーンショット(&S)", {{Key::P}, kNone}, "P", true, "screenshot", true},
    {kCommandWindow1x, MenuId::View, "等倍(&1)", {kNone, kNone}, "", false, "window-1x", false},
    {kCommandWindow1_5x, MenuId::View, "1.5倍(&5)", {kNone, kNone}, "", false, "window-1.5x", false},
    {kCommandWindow2x, MenuId::View, "2倍(&2)", {kNone, kNone}, "", false, "window-2x", false},
    {kCommandWindowFit, MenuId::View, "画面に合わせる(&M)", {kNone, kNone}, "", false, "window-fit", false},
    {kCommandSmoothScaling, MenuId::View, "なめらかに拡大(&N)", {kNone, kNone}, "", false, "smooth-scaling", false},
    {kCommandHelp, MenuId::Help, "ヘルプ(&H)", {{Key::F1}, kNone}, "F1", false, "help", false},
    {kCommandVersion, MenuId::Help, "バージョン情報(&V)", {{Key::F1, kShift}, kNone}, "Shift+F1", false, "version", false},
    {kCommandReload, MenuId::None, "", {{Key::R, kCtrl}, kNone}, "Ctrl+R", false, "reload", true},
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
