#include "app/player_screens.h"

#include "app/app_frame.h"
#include "app/player_saves.h"
#include "app/settings.h"
#include "base/messages.h"
#include "platform/audio_output.h"
#include "platform/glyph_font.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

PlayerScreens::PlayerScreens(Hooks hooks) : hooks_(std::move(hooks)) {
  host_.setFading(hooks_.frame.haveDisplay());
}

void PlayerScreens::useSettings(std::filesystem::path file, const PlayerSettings& settings) {
  settingsFile_ = std::move(file);
  settings_ = settings;
  if (hooks_.audio) hooks_.audio->setPlayerGains(settings_.musicGain(), settings_.effectGain());
}

void PlayerScreens::setReadOnlySkip(bool on) {
  settings_.readOnlySkip = on;
  writePlayerSettings(settingsFile_, settings_);
}

void PlayerScreens::setVoicing(bool speech, bool clipboardText) {
  settings_.speech = speech;
  settings_.clipboardText = clipboardText;
  writePlayerSettings(settingsFile_, settings_);
}

void PlayerScreens::setWindowView(WindowScale scale, bool smooth) {
  settings_.windowScale = scale;
  settings_.smoothScaling = smooth;
  writePlayerSettings(settingsFile_, settings_);
}

void PlayerScreens::openSlots(SlotScreen::Mode mode, int focus) {
  keepSettings();
  AppFrame& frame = hooks_.frame;
  PlayerSaves& saves = hooks_.saves();
  // The thumbnail of a save made from the screen is the game as it was before the screen covered it.
  if (mode == SlotScreen::Mode::Save) saves.keepScreenThumbnail(frame);
  std::vector<SlotView> views = saves.slotViews(mode, hooks_.engine().states().reader());
  if (!frame.overlay()) return;
  auto screen = std::make_unique<SlotScreen>(*frame.overlay(), mode, std::move(views));
  if (focus != kNoFocus) screen->focus(focus);
  host_.open(*frame.overlay(), std::move(screen));
  shown(true);
}

void PlayerScreens::openSettings() {
  keepSettings();
  AppFrame& frame = hooks_.frame;
  if (!frame.overlay()) return;
  host_.open(*frame.overlay(), std::make_unique<SettingsScreen>(settings_));
  shown(true);
}

void PlayerScreens::openHistory() {
  keepSettings();
  AppFrame& frame = hooks_.frame;
  if (!frame.overlay()) return;
  ScriptEngine& engine = hooks_.engine();
  if (hooks_.fonts) {
    int index = 0;
    const std::string file = hooks_.fonts->faceFile(engine.fonts().face(), index);
    if (!file.empty()) frame.overlay()->setTextFace(file, index);
  }
  host_.open(*frame.overlay(),
             std::make_unique<HistoryScreen>(
                 *frame.overlay(),
                 historyLinesOf(engine.history(), engine.rollback().returnable(engine.history()))));
  shown(true);
}

void PlayerScreens::openMenus(const std::vector<MenuPopup>& menus) {
  keepSettings();
  AppFrame& frame = hooks_.frame;
  if (!frame.overlay() || menus.empty()) return;
  host_.open(*frame.overlay(), std::make_unique<MenuScreen>(menus));
  shown(true);
}

void PlayerScreens::close() {
  host_.close();
  hooks_.saves().dropScreenThumbnail();
  shown(false);
}

void PlayerScreens::keepSettings() {
  // The settings screen, closed or replaced by another, leaves what it set in the file.
  if (host_.settings()) writePlayerSettings(settingsFile_, settings_);
}

void PlayerScreens::sayFocus() {
  const std::string words = host_.focusWords();
  if (words == focusSaid_) return;
  focusSaid_ = words;
  if (hooks_.sayFocus && !words.empty()) hooks_.sayFocus(words);
}

void PlayerScreens::shown(bool open) {
  focusSaid_.clear();
  if (open) sayFocus();
  // Over a screen the mouse is the screen's, not the bar's; the game is drawn again with it or without.
  if (MenuBar* bar = hooks_.frame.menuBar()) bar->setScreenOpen(open);
  hooks_.frame.draw(true);
}

bool PlayerScreens::handle(const WindowEvent& event) {
  bool handled = false;
  const ScreenAction action = host_.handle(event, &handled);
  if (handled) take(action);
  if (host_.isOpen()) sayFocus();
  return handled;
}

void PlayerScreens::take(ScreenAction action) {
  AppFrame& frame = hooks_.frame;
  switch (action.kind) {
    case ScreenAction::Kind::None:
      return;
    case ScreenAction::Kind::Changed:
      if (const SettingsScreen* screen = host_.settings()) {
        // The window's size and scaling are the menu's, which may have changed since the screen opened.
        const PlayerSettings menus = settings_;
        settings_ = screen->settings();
        settings_.windowScale = menus.windowScale;
        settings_.smoothScaling = menus.smoothScaling;
        if (hooks_.audio) hooks_.audio->setPlayerGains(settings_.musicGain(), settings_.effectGain());
      }
      return;
    case ScreenAction::Kind::Pick: {
      const SlotScreen* slots = host_.slots();
      if (!slots) return;
      const SlotScreen::Mode mode = slots->mode();
      // A save is not written over another without asking; answered No, the screen stays.
      const SlotView* view = slots->view(action.slot);
      if (mode == SlotScreen::Mode::Save && view && view->used &&
          frame.ask(ja(MessageId::SaveCaption), ja(MessageId::SaveOverwrite, {slotName(action.slot)}),
                    BoxButtons::OkCancel) != BoxAnswer::Ok)
        return;
      host_.close();
      if (mode == SlotScreen::Mode::Save)
        hooks_.saveSlot(action.slot);
      else
        hooks_.loadSlot(action.slot);
      close();
      return;
    }
    case ScreenAction::Kind::Remove: {
      const SlotScreen* slots = host_.slots();
      if (!slots) return;
      const SlotScreen::Mode mode = slots->mode();
      // A save deleted is gone: the box starts on Cancel.
      if (frame.ask(ja(MessageId::DeleteCaption), ja(MessageId::SaveDelete, {slotName(action.slot)}),
                    BoxButtons::OkCancel, false, BoxAnswer::Cancel) != BoxAnswer::Ok)
        return;
      hooks_.saves().remove(action.slot);
      // The screen shows the slot empty, the highlight where it was.
      openSlots(mode, action.slot);
      return;
    }
    case ScreenAction::Kind::Return:
      // The history closes first: the game it showed is about to go back.
      close();
      hooks_.returnTo(action.entry);
      return;
    case ScreenAction::Kind::Run:
      // The menu closes first: what it runs may open a screen of its own.
      close();
      hooks_.runCommand(action.command);
      return;
    case ScreenAction::Kind::Close:
      keepSettings();
      close();
      return;
  }
}

}  // namespace tavrik
