// The player's own functions over a game: saving and loading, continuing an interrupted play, skipping,
// auto mode, the history and the volume. None of them changes what the script does while it is unused.
#include <cstdio>
#include <ctime>

#include "app/game_app.h"
#include "app/settings.h"
#include "base/files.h"
#include "base/script_path.h"
#include "base/sjis_text.h"
#include "base/text_encoding.h"
#include "platform/clock.h"
#include "platform/overlay.h"

namespace tavrik {

namespace {

constexpr const char* kSaveCaption = "セーブ";
constexpr const char* kLoadCaption = "ロード";
// A frame of skipping in a window stops adding updates after this long, leaving the rest of the
// sixtieth of a second for drawing.
constexpr double kSkipFrameSeconds = 0.012;

// The keys of the player's own functions, as the menu shows them.
constexpr std::pair<Key, int> kShortcuts[] = {
    {Key::F2, kCommandSave},      {Key::F3, kCommandLoad},       {Key::F4, kCommandSettings},
    {Key::F5, kCommandQuickSave}, {Key::F9, kCommandQuickLoad},  {Key::PageUp, kCommandHistory},
    {Key::A, kCommandAutoMode},   {Key::F12, kCommandDebugView},
};

std::string slotName(int slot) {
  if (slot == kQuickSlot) return "クイックセーブ";
  if (slot == kAutoSlot) return "前回の続き";
  return "スロット" + std::to_string(slot);
}

std::string problemText(SaveProblem problem) {
  switch (problem) {
    case SaveProblem::Missing:
      return "セーブがありません。\n(there is no save in this slot)";
    case SaveProblem::NewerVersion:
      return "新しい版のプレーヤーで作られたセーブなので、ロードできません。\n"
             "(the save was made by a newer version of the player)";
    case SaveProblem::Unreadable:
      return "セーブのファイルを読めません。\n(the save file cannot be read)";
    default:
      return "セーブが壊れているので、ロードできません。\n(the save is damaged or cut short)";
  }
}

std::string refusalText(StateError error) {
  if (error == StateError::OtherProgram)
    return "スクリプトが変更される前のセーブなので、ロードできません。\n"
           "(the save was made with another version of the script)";
  if (error == StateError::NewerVersion) return problemText(SaveProblem::NewerVersion);
  return problemText(SaveProblem::Damaged);
}

std::string localDate(std::int64_t time) {
  const std::time_t t = static_cast<std::time_t>(time);
  std::tm local{};
  if (!localtime_r(&t, &local)) return {};
  char text[32];
  std::strftime(text, sizeof text, "%Y/%m/%d %H:%M", &local);
  return text;
}

// The first line of Shift-JIS text, in UTF-8.
std::string firstLine(const std::string& sjis) {
  const std::string utf8 = sjisToUtf8(sjis);
  return utf8.substr(0, utf8.find('\n'));
}

// The history as the history screen shows it: lines of runs of one colour.
std::vector<HistoryLine> historyLines(const History& history) {
  std::vector<HistoryLine> lines;
  for (const HistoryEntry& entry : history.entries()) {
    HistoryLine line;
    line.entryStart = true;
    std::string run;
    std::uint32_t colour = 0xFFFFFF;
    auto endRun = [&] {
      if (!run.empty()) line.runs.push_back({sjisToUtf8(run), colour});
      run.clear();
    };
    for (const HistoryCharacter& c : entry.characters) {
      if (c.code == 0x0A) {
        endRun();
        lines.push_back(std::move(line));
        line = HistoryLine{};
        continue;
      }
      if (c.code < 0x20) continue;
      if (c.rgb != colour) {
        endRun();
        colour = c.rgb;
      }
      if (c.code > 0xFF) run.push_back(static_cast<char>(c.code >> 8));
      run.push_back(static_cast<char>(c.code & 0xFF));
    }
    endRun();
    if (!line.runs.empty() || line.entryStart) lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace

void GameApp::setUpSaves(const CommandLine& commandLine, const std::string& script) {
  const AutomationOptions& automation = commandLine.automation;
  std::filesystem::path folder;
  if (automation.saves) {
    folder = *automation.saves;
  } else {
    const std::filesystem::path native = paths::resolve(script).value_or(std::filesystem::path(script));
    folder = SaveStore::defaultRoot() / SaveStore::gameFolderName(native);
  }
  saves_ = std::make_unique<SaveStore>(folder);
  for (int slot = kAutoSlot; slot <= kSlotCount; ++slot) removeStaleTemporaryFiles(saves_->slotFile(slot));
  seen_.load(saves_->seenFile(), engine_->program().identity);
  playerSettingsPath_ = playerSettingsFile();
  playerSettings_ = readPlayerSettings(playerSettingsPath_);
  readSkip_ = playerSettings_.readOnlySkip;
  updateMenuChecks();
  if (overlay()) overlay()->addCharacters("早送りスキップオート ▶");
  applyPlayerSettings();
}

void GameApp::offerToContinue() {
  if (!saves_->exists(kAutoSlot)) return;
  const BoxAnswer answer = ask("再開",
                               "前回の続きから再開しますか？\n"
                               "（キャンセルを選ぶと最初から始めます）\n"
                               "(continue where you left off? Cancel starts from the beginning)",
                               BoxButtons::OkCancel);
  if (closing()) return;
  if (answer == BoxAnswer::Ok) loadSlot(kAutoSlot);
}

SaveData GameApp::currentSave(const std::vector<std::uint32_t>* thumbnail) {
  SaveData save;
  save.time = static_cast<std::int64_t>(std::time(nullptr));
  save.title = summaryOf(graphics().title());
  // What was said, not the caption of a choice button shown after it.
  if (const HistoryEntry* said = engine_->history().lastSaid()) save.text = summaryOf(said->text());
  if (thumbnail) {
    save.thumbnail = *thumbnail;
  } else {
    std::vector<std::uint32_t> frame;
    if (graphics().readFrame(frame))
      save.thumbnail = makeThumbnail(frame, GraphicsDevice::kWidth, GraphicsDevice::kHeight);
  }
  save.history = engine_->history().encode();
  save.state = engine_->saveState();
  return save;
}

bool GameApp::saveSlot(int slot) {
  if (!engine_ || !saves_) return false;
  const bool fromScreen = !screenThumbnail_.empty() && slot != kAutoSlot;
  const SaveData save = currentSave(fromScreen ? &screenThumbnail_ : nullptr);
  if (!saves_->write(slot, save)) {
    ask(kSaveCaption,
        slotName(slot) + "にセーブできませんでした。前のセーブはそのまま残っています。\n" +
            saves_->slotFile(slot).string() + "\n(the save could not be written; the earlier one is kept)",
        BoxButtons::Ok);
    return false;
  }
  if (seen_.changed()) seen_.save(saves_->seenFile());
  if (slot != kAutoSlot) showToast(slotName(slot) + "にセーブしました");
  return true;
}

bool GameApp::loadSlot(int slot) {
  if (!engine_ || !saves_) return false;
  SaveProblem problem = SaveProblem::None;
  const std::optional<SaveData> save = saves_->read(slot, &problem);
  std::optional<History> history;
  if (save) {
    history = History::decode(save->history);
    if (!history) problem = SaveProblem::Damaged;
  }
  if (!save || !history) {
    ask(kLoadCaption, slotName(slot) + "：" + problemText(problem), BoxButtons::Ok);
    return false;
  }
  if (const std::optional<StateError> refused = engine_->restoreState(save->state)) {
    ask(kLoadCaption, slotName(slot) + "：" + refusalText(*refused), BoxButtons::Ok);
    return false;
  }
  engine_->setHistory(std::move(*history));
  // What led to the loaded moment is not known: a reload goes to the line of the wait instead.
  playReplayable_ = false;
  waitsPassed_ = 0;
  choicesMade_.clear();
  forward_ = FastForward{};
  // A loaded game starts still: no skipping or auto mode carried over into it.
  skipOn_ = false;
  skipStopped_ = ctrlHeld_;
  autoFrames_ = 0;
  autoAnswerDue_ = false;
  if (autoMode_) setAutoMode(false);
  if (slot != kAutoSlot) showToast(slotName(slot) + "をロードしました");
  draw(true);
  return true;
}

// ---- Skipping and auto mode ----

bool GameApp::answerInputWait(std::int32_t position) {
  if (forward_.active) return !isForwardTarget(position);
  if (skipping()) return !readSkip_ || seen_.contains(position);
  return autoAnswerDue_;
}

void GameApp::stopSkipping() {
  skipOn_ = false;
  skipStopped_ = true;
}

void GameApp::setAutoMode(bool on) {
  autoMode_ = on;
  autoFrames_ = 0;
  autoAnswerDue_ = false;
  updateMenuChecks();
}

void GameApp::countAutoPause() {
  // The pause starts when the text has been typed out; each character shown adds to it.
  if (!autoMode_ || engine_->waiting() != ScriptEngine::Waiting::Input || !engine_->textTyped()) {
    autoFrames_ = 0;
    autoAnswerDue_ = false;
    return;
  }
  ++autoFrames_;
  const double pauseMs =
      playerSettings_.autoPauseMs + static_cast<double>(playerSettings_.autoPausePerCharacterMs) *
                                        static_cast<double>(engine_->shownCharacters());
  autoAnswerDue_ = static_cast<double>(autoFrames_) * 1000.0 / 60.0 >= pauseMs;
}

bool GameApp::stepEngine() {
  const bool atChoice = engine_->waiting() == ScriptEngine::Waiting::Choice;
  const std::int32_t before = engine_->programCounter();
  countAutoPause();
  engine_->update();
  ++gameFrames_;
  bool passed = false;
  for (std::int32_t position : engine_->takePassedInputWaits()) {
    seen_.add(position);
    ++waitsPassed_;
    autoFrames_ = 0;
    autoAnswerDue_ = false;
    passed = true;
  }
  if (atChoice &&
      (engine_->waiting() != ScriptEngine::Waiting::Choice || engine_->programCounter() != before))
    choicesMade_.push_back(static_cast<std::int32_t>(engine_->variables().front()));
  return passed;
}

void GameApp::runUpdates() {
  if (forward_.active) {
    // A frame's worth of fast-forwarding; a choice with no answer known is the player's to make.
    runForward(0.25);
    if (forward_.active && engine_->waiting() == ScriptEngine::Waiting::Choice) stepEngine();
    return;
  }
  const bool skippingAtStart = skipping();
  const std::int64_t start = performanceCounter();
  for (int done = 0;;) {
    const bool passedAWait = stepEngine();
    ++done;
    if (!skippingAtStart || engine_->isFinished()) break;
    // Skipping stops at every choice, and skipping only what was read stops at a wait not passed before.
    const ScriptEngine::Waiting waiting = engine_->waiting();
    if (waiting == ScriptEngine::Waiting::Choice || (readSkip_ && waiting == ScriptEngine::Waiting::Input &&
                                                     !seen_.contains(engine_->programCounter()))) {
      stopSkipping();
      break;
    }
    // Each text skipped shows for a frame: letting go of Ctrl stops where the eye is.
    if (passedAWait) break;
    if (done < kSkipUpdates) continue;
    // A window runs as many updates as the frame has time for; a headless run always the same number.
    const double elapsed =
        static_cast<double>(performanceCounter() - start) / static_cast<double>(performanceFrequency());
    if (!haveDisplay() || elapsed >= kSkipFrameSeconds) break;
  }
}

// ---- Screens ----

void GameApp::openScreen(std::unique_ptr<PlayerScreen> screen) {
  if (!overlay()) return;
  overlay()->addCharacters(screen->characters());
  screen_ = std::move(screen);
  if (MenuBar* bar = menuBar()) bar->setScreenOpen(true);
  draw(true);
}

void GameApp::openSlotScreen(SlotScreen::Mode mode, int focus) {
  // The thumbnail of a save made from the screen is the game as it was before the screen covered it.
  if (screenThumbnail_.empty()) {
    std::vector<std::uint32_t> frame;
    if (mode == SlotScreen::Mode::Save && graphics().readFrame(frame))
      screenThumbnail_ = makeThumbnail(frame, GraphicsDevice::kWidth, GraphicsDevice::kHeight);
  }
  // The ten slots; loading also offers the quick save and the automatic one, marked.
  std::vector<int> slots;
  for (int slot = 1; slot <= kSlotCount; ++slot) slots.push_back(slot);
  if (mode == SlotScreen::Mode::Load) slots.insert(slots.end(), {kQuickSlot, kAutoSlot});
  std::vector<SlotView> views;
  for (int slot : slots) {
    SlotView view;
    view.slot = slot;
    view.labelUtf8 = slot > 0 ? "スロット " + std::to_string(slot) : slotName(slot);
    view.marked = slot <= 0;
    SaveProblem problem = SaveProblem::None;
    if (std::optional<SaveData> save = saves_->read(slot, &problem)) {
      view.used = true;
      view.dateUtf8 = localDate(save->time);
      view.textUtf8 = firstLine(save->text);
      view.thumbnail = std::move(save->thumbnail);
      const DecodedState state = engine_->stateReader().decode(save->state);
      if (!state.state)
        view.problemUtf8 = state.error == StateError::OtherProgram ? "スクリプトが変更される前のセーブです"
                                                                   : "壊れたセーブです";
    } else if (problem != SaveProblem::Missing) {
      view.used = true;
      view.problemUtf8 = "壊れたセーブです";
    }
    views.push_back(std::move(view));
  }
  if (!overlay()) return;
  auto screen = std::make_unique<SlotScreen>(*overlay(), mode, std::move(views));
  if (focus != kNoFocus) screen->focus(focus);
  openScreen(std::move(screen));
}

void GameApp::openSettings() {
  openScreen(std::make_unique<SettingsScreen>(playerSettings_));
}

void GameApp::openHistory() {
  if (!overlay()) return;
  if (fonts_) {
    int index = 0;
    const std::string file = fonts_->faceFile(engine_->fontFace(), index);
    if (!file.empty()) overlay()->setTextFace(file, index);
  }
  openScreen(std::make_unique<HistoryScreen>(*overlay(), historyLines(engine_->history())));
}

void GameApp::showToast(const std::string& text) {
  toastText_ = text;
  toastFrames_ = kToastFrames;
  if (overlay()) overlay()->addCharacters(text);
}

void GameApp::buildScreens() {
  if (toastFrames_ > 0 && !screen_) buildCornerWord(toastText_, Corner::TopLeft);
  // What runs the game by itself is shown while it does.
  if (!screen_ && (skipping() || autoMode_ || forward_.active))
    buildCornerWord(std::string(forward_.active ? "早送り" : (skipping() ? "スキップ" : "オート")) + " ▶▶",
                    Corner::TopRight);
  buildNotice();
  buildDebugView();
  if (screen_) screen_->build();
}

void GameApp::closeScreen() {
  screen_.reset();
  screenThumbnail_.clear();
  if (MenuBar* bar = menuBar()) bar->setScreenOpen(false);
  draw(true);
}

void GameApp::takeScreenAction(ScreenAction action) {
  switch (action.kind) {
    case ScreenAction::Kind::None:
      return;
    case ScreenAction::Kind::Changed:
      if (auto* settings = dynamic_cast<SettingsScreen*>(screen_.get())) {
        playerSettings_ = settings->settings();
        applyPlayerSettings();
      }
      return;
    case ScreenAction::Kind::Pick: {
      const auto* slots = dynamic_cast<SlotScreen*>(screen_.get());
      if (!slots) return;
      const SlotScreen::Mode mode = slots->mode();
      // A save is not written over another without asking; answered No, the screen stays.
      const SlotView* view = slots->view(action.slot);
      if (mode == SlotScreen::Mode::Save && view && view->used &&
          ask(kSaveCaption,
              slotName(action.slot) + "のセーブに上書きしますか？\n(overwrite the save in this slot?)",
              BoxButtons::OkCancel) != BoxAnswer::Ok)
        return;
      screen_.reset();
      if (mode == SlotScreen::Mode::Save)
        saveSlot(action.slot);
      else
        loadSlot(action.slot);
      closeScreen();
      return;
    }
    case ScreenAction::Kind::Remove: {
      const auto* slots = dynamic_cast<SlotScreen*>(screen_.get());
      if (!slots) return;
      const SlotScreen::Mode mode = slots->mode();
      // A save deleted is gone: the box starts on Cancel.
      if (ask("削除", slotName(action.slot) + "のセーブを削除しますか？\n(delete the save in this slot?)",
              BoxButtons::OkCancel, false, BoxAnswer::Cancel) != BoxAnswer::Ok)
        return;
      saves_->remove(action.slot);
      // The screen shows the slot empty, the highlight where it was.
      openSlotScreen(mode, action.slot);
      return;
    }
    case ScreenAction::Kind::Close:
      if (dynamic_cast<SettingsScreen*>(screen_.get()))
        writePlayerSettings(playerSettingsPath_, playerSettings_);
      closeScreen();
      return;
  }
}

void GameApp::handleScreenEvent(const WindowEvent& event) {
  using T = WindowEvent::Type;
  switch (event.type) {
    case T::KeyDown:
      takeScreenAction(screen_->key(event.key));
      return;
    case T::ButtonUp:
      // Clicks are tested where the screen drew, in the overlay's pixels: a window's own, or the frame's.
      if (event.button == MouseButton::Left)
        takeScreenAction(screen_->click(event.x, event.y));
      else if (event.button == MouseButton::Right)
        takeScreenAction(ScreenAction::close());
      return;
    case T::Wheel:
      takeScreenAction(screen_->wheel(event.y));
      return;
    case T::MouseMove:
      screen_->pointer(event.x, event.y);
      return;
    case T::ButtonDown:
      // The game does not see what is done on the screen; a key let go there is let go for it too.
      return;
    default:
      AppFrame::handleEvent(event);
      return;
  }
}

void GameApp::applyPlayerSettings() {
  if (audio_) audio_->setPlayerGains(playerSettings_.musicGain(), playerSettings_.effectGain());
}

void GameApp::updateMenuChecks() {
  for (MenuItem& item : menus_.front().items) {
    if (item.command == kCommandAutoMode) item.checked = autoMode_;
    if (item.command == kCommandReadSkip) item.checked = readSkip_;
  }
  if (MenuBar* bar = menuBar()) bar->setMenus(menus_);
}

void GameApp::handleEvent(const WindowEvent& event) {
  using T = WindowEvent::Type;
  const bool ctrl = (event.type == T::KeyDown || event.type == T::KeyUp) &&
                    (event.key == Key::LeftCtrl || event.key == Key::RightCtrl);
  if (event.type == T::KeyDown && ctrl && !event.repeat) {
    ctrlHeld_ = true;
    ctrlFrames_ = 0;
    skipStopped_ = false;
  }
  if ((event.type == T::KeyUp && ctrl) || event.type == T::FocusLost) ctrlHeld_ = false;
  // Ctrl with another key is a shortcut, not a skip.
  if (event.type == T::KeyDown && !ctrl && ctrlHeld_ && !skipOn_) skipStopped_ = true;
  if (screen_ && engine_) {
    handleScreenEvent(event);
    return;
  }
  // The notice of a failed reload closes with its button, and the click is not the game's.
  if (!noticeText_.empty() && (event.type == T::ButtonDown || event.type == T::ButtonUp) &&
      event.button == MouseButton::Left && noticeClose_.contains(event.x, event.y)) {
    if (event.type == T::ButtonUp) {
      noticeText_.clear();
      draw(true);
    }
    return;
  }
  if (engine_) {
    // Any click or key but the auto mode's own leaves auto mode; Ctrl skips over it.
    if (autoMode_ && ((event.type == T::KeyDown && event.key != Key::A && !ctrl && !event.repeat) ||
                      event.type == T::ButtonDown))
      setAutoMode(false);
    if (event.type == T::Wheel && event.y > 0) {
      openHistory();
      return;
    }
    if (event.type == T::KeyDown && !event.repeat) {
      for (const auto& [key, command] : kShortcuts) {
        if (event.key == key) {
          runCommand(command);
          return;
        }
      }
      switch (event.key) {
        case Key::Escape:
          // Esc closes the debug view first, as it closes the player's screens.
          if (debugShown_) {
            runCommand(kCommandDebugView);
            return;
          }
          break;
        case Key::R:
          if (ctrlHeld_) {
            reload();
            return;
          }
          break;
        default:
          break;
      }
    }
  }
  AppFrame::handleEvent(event);
}

void GameApp::runPlayerAction(const PlayerAction& action) {
  switch (action.kind) {
    case PlayerAction::Kind::Save:
      saveSlot(action.value);
      break;
    case PlayerAction::Kind::Load:
      loadSlot(action.value);
      break;
    case PlayerAction::Kind::Skip:
      skipOn_ = action.value != 0;
      skipStopped_ = false;
      break;
    case PlayerAction::Kind::Auto:
      setAutoMode(action.value != 0);
      break;
  }
}

}  // namespace tavrik
