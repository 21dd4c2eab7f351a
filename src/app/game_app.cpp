#include "app/game_app.h"

#include "app/choice_keys.h"
#include "app/file_association.h"
#include "app/settings.h"
#include "base/messages.h"
#include "base/script_path.h"
#include "platform/desktop.h"
#include "platform/overlay.h"

namespace tavrik {

std::unique_ptr<GameApp> GameApp::start(const CommandLine& commandLine, int* exitCode) {
  std::optional<PlayerServices> services = startPlayer(commandLine, exitCode);
  if (!services) return nullptr;
  *exitCode = 1;
  const AutomationOptions& automation = commandLine.automation;
  std::shared_ptr<const Program> program = std::move(services->program);
  std::unique_ptr<GameApp> app(new GameApp(std::move(*services)));
  AppFrame& frame = app->frame();
  app->makeEngine(program);
  app->engine().scene().images().setReady(std::move(app->services_.readyPictures));
  app->saves_ = std::make_unique<PlayerSaves>(app->services_.savesFolder, app->engine());
  app->screens_->useSettings(playerSettingsFile(), app->services_.playerSettings);
  app->playback_.takeSettings(app->screens_->settings(), frame.haveDisplay());
  app->voice_.takeSettings(app->screens_->settings().speech, app->screens_->settings().clipboardText);
  app->rebuildMenus();
  app->words_.start(frame.overlay(), frame.graphics().window());

  if (automation.restoreState &&
      !AutomationOutputs::restoreStateFile(app->engine(), *automation.restoreState))
    return nullptr;
  if (automation.gotoLine) {
    const auto& [file, line] = *automation.gotoLine;
    if (const std::string problem = app->authoring_->startAtLine(*program, file, line); !problem.empty()) {
      reportStartupProblem(frame, automation, ja(MessageId::StartupErrorCaption), problem);
      return nullptr;
    }
  } else if (!automation.restoreState && !automation.startAfresh &&
             app->saves_->wantsToContinue(frame, app->engine().states().reader())) {
    // A play the player closed midway is offered to be continued; automation that sets the state, and
    // --new, start as asked.
    app->loadSlot(kAutoSlot);
  }
  if (frame.closing()) return nullptr;
  app->debug_.offer(app->services_.authoringOffered);
  app->rebuildMenus();
  if (frame.haveDisplay() && !automation.noReload) app->authoring_->watch(*program);
  *exitCode = 0;
  return app;
}

GameApp::GameApp(PlayerServices services)
    : services_(std::move(services)),
      rollback_({[this]() -> ScriptEngine& { return *engine_; },
                 [this] {
                   // As after a load: what led here is not known, and the game starts still.
                   authoring_->forgetPlay();
                   playback_.stopForLoad();
                   rebuildMenus();
                   frame().draw(true);
                 },
                 [this](const std::string& word) { words_.say(word, frame().overlay()); }}),
      voice_({[this] { return openVoice(frame().haveDisplay()); },
              [](const std::string& text) { setClipboardText(text); },
              [this](const std::string& word) { words_.say(word, frame().overlay()); }}) {
  frame().setClient(this);
  const auto say = [this](const std::string& words) { voice_.sayNow(words); };
  words_.setListener(say);
  frame().setSpeaker(say);
  const auto engine = [this]() -> ScriptEngine& { return *engine_; };
  screens_ = std::make_unique<PlayerScreens>(PlayerScreens::Hooks{
      frame(), [this]() -> PlayerSaves& { return *saves_; }, engine, services_.audio.get(),
      services_.fonts.get(), [this](int slot) { return saveSlot(slot); },
      [this](int slot) { return loadSlot(slot); },
      [this](int entry) { return rollback_.returnTo(static_cast<std::size_t>(entry)); },
      [this](int id) { frame().runCommand(id); }, say});
  view_ = std::make_unique<WindowView>(frame(), *screens_, [this] { rebuildMenus(); });
  const auto reloaded = [this](std::shared_ptr<const Program> program) {
    saves_->writeSeen();
    makeEngine(std::move(program));
    saves_->readSeen(*engine_);
    playback_.endEventSkip();
  };
  const auto atlas = [this](const std::string& text) {
    if (frame().overlay()) frame().overlay()->addCharacters(text);
  };
  authoring_ = std::make_unique<Authoring>(
      *services_.script.path, Authoring::Hooks{engine, reloaded, [this] { return stepEngine(); }, atlas,
                                               [this] { frame().draw(true); }});
  bindCommands();
}

void GameApp::makeEngine(std::shared_ptr<const Program> program) {
  EngineServices services{frame().graphics(), frame().input(), frame().mouse()};
  services.fonts = services_.fonts.get();
  if (AudioOutput* audio = services_.audio.get()) {
    services.players = [audio](bool positional, int channels) {
      return audio->createPlayer(positional, channels);
    };
  }
  services.moduleDirectory = paths::moduleDirectory();
  // The old engine goes first: its channels and pictures are let go before the new ones come.
  engine_.reset();
  engine_ =
      std::make_unique<ScriptEngine>(std::move(program), std::move(services), services_.fontChoice.face());
  engine_->setInputWaitAnswer([this](std::int32_t position) {
    if (authoring_->fastForwarding()) return authoring_->passes(position);
    return playback_.answers(position, saves_->seen());
  });
}

bool GameApp::stepEngine() {
  const bool atChoice = engine_->waiting() == ScriptEngine::Waiting::Choice;
  const std::int32_t before = engine_->programCounter();
  playback_.beforeUpdate(*engine_, screens_->settings());
  engine_->update();
  ++gameFrames_;
  bool passed = false;
  for (std::int32_t position : engine_->takePassedInputWaits()) {
    saves_->seen().add(position);
    authoring_->countWait();
    playback_.waitPassed();
    passed = true;
  }
  if (atChoice &&
      (engine_->waiting() != ScriptEngine::Waiting::Choice || engine_->programCounter() != before))
    authoring_->countChoice(static_cast<std::int32_t>(engine_->variables().front()));
  return passed;
}

void GameApp::bindCommands() {
  bindings_.bind(kCommandSave, {[this] { screens_->openSlots(SlotScreen::Mode::Save); }});
  bindings_.bind(kCommandLoad, {[this] { screens_->openSlots(SlotScreen::Mode::Load); }});
  bindings_.bind(kCommandQuickSave, {[this] { saveSlot(kQuickSlot); }});
  bindings_.bind(kCommandQuickLoad, {[this] { loadSlot(kQuickSlot); }});
  bindings_.bind(kCommandSettings, {[this] { screens_->openSettings(); }});
  bindings_.bind(kCommandHistory, {[this] { screens_->openHistory(); }});
  bindings_.bind(kCommandAutoMode, {[this] {
                                      playback_.setAutoMode(!playback_.autoMode());
                                      rebuildMenus();
                                    },
                                    [this] { return playback_.autoMode(); }});
  bindings_.bind(kCommandReadSkip, {[this] {
                                      playback_.setReadOnlySkip(!playback_.readOnlySkip());
                                      screens_->setReadOnlySkip(playback_.readOnlySkip());
                                      rebuildMenus();
                                    },
                                    [this] { return playback_.readOnlySkip(); }});
  bindings_.bind(kCommandDebugView, {[this] {
                                       debug_.toggle();
                                       rebuildMenus();
                                       frame().draw(true);
                                     },
                                     [this] { return debug_.shown(); }, [this] { return debug_.offered(); }});
  bindings_.bind(kCommandReload, {[this] { authoring_->reload(); }});
  bindings_.bind(kCommandRollback, {[this] { rollback_.stepBack(1); }});
  bindings_.bind(kCommandHideText, {[this] { playback_.hideText(*engine_); }});
  voice_.bindCommands(bindings_, [this] {
    screens_->setVoicing(voice_.reading(), voice_.copying());
    rebuildMenus();
  });
  bindings_.bind(kCommandSystemMenu, {[this] { screens_->openMenus(menus_); }});
  bindings_.bind(kCommandScreenshot,
                 {[this] { words_.say(outputs_.keepScreenshot(frame().graphics()), frame().overlay()); }});
  for (const int id : WindowView::kCommands)
    bindings_.bind(id, {[this, id] { view_->run(id); }, [this, id] { return view_->checked(id); }});
}

void GameApp::rebuildMenus() {
  std::vector<MenuPopup> menus = buildMenus([this](int id) { return bindings_.shown(id); },
                                            [this](int id) { return bindings_.checked(id); },
                                            services_.fontChoice.menuItems(kCommandFontBase));
  // The same menus are changed in place: whoever holds one sees it change rather than go.
  if (menus.size() == menus_.size())
    for (std::size_t i = 0; i < menus.size(); ++i) menus_[i] = std::move(menus[i]);
  else
    menus_ = std::move(menus);
  if (MenuBar* bar = frame().menuBar()) bar->setMenus(menus_);
}

bool GameApp::runCommand(int id) {
  if (services_.fontChoice.choose(id - kCommandFontBase)) {
    rebuildMenus();
    // The text on screen changes at once: every text layer is laid out again with the new face.
    if (engine_) engine_->fonts().setFace(services_.fontChoice.face());
    frame().draw(true);
    return true;
  }
  return engine_ && bindings_.run(id);
}

bool GameApp::knowsCommand(int id) const {
  return services_.fontChoice.has(id - kCommandFontBase) || bindings_.offers(id);
}

bool GameApp::saveSlot(int slot) {
  if (!engine_ || !saves_ || !saves_->save(slot, *engine_, frame())) return false;
  if (slot != kAutoSlot) words_.say(ja(MessageId::SavedToast, {slotName(slot)}), frame().overlay());
  return true;
}

bool GameApp::loadSlot(int slot) {
  if (!engine_ || !saves_ || !saves_->load(slot, *engine_, frame())) return false;
  // What led to the loaded moment is not known: a reload goes to the line of the wait instead.
  authoring_->forgetPlay();
  playback_.stopForLoad();
  voice_.restart(*engine_);
  rebuildMenus();
  if (slot != kAutoSlot) words_.say(ja(MessageId::LoadedToast, {slotName(slot)}), frame().overlay());
  frame().draw(true);
  return true;
}

bool GameApp::finish(const AutomationOptions& automation) {
  if (services_.audio) services_.audio->recordFrames(frame().framesRun());
  const bool written = outputs_.writeAtEnd(*engine_, frame().graphics(), services_.audio.get(), automation);
  // Closed before the script's end (not by reaching --frames), the play is kept to be continued.
  if (!engine_->isFinished() && !frame().frameLimitReached()) saveSlot(kAutoSlot);
  saves_->writeSeen();
  engine_.reset();
  services_.fontChoice.save();
  return written;
}

void GameApp::update() {
  if (services_.audio) {
    services_.audio->poll();
    // A recording takes the frames before this one, a box's included.
    services_.audio->recordFrames(frame().framesRun());
  }
  debug_.frameStarted();
  playback_.frameStarted();
  debug_.applyRequests(*engine_);
  authoring_->poll();
  if (words_.tick()) frame().draw(true);
  // The game stands still while one of the player's screens is open, or the debug view holds it.
  if (screens_->isOpen() || debug_.holdsGame()) return;
  if (authoring_->fastForwarding())
    authoring_->runFrame();
  else
    playback_.runUpdates(*engine_, saves_->seen(), frame().haveDisplay(), [this] { return stepEngine(); });
  voice_.afterUpdate(*engine_, playback_.skipping());
  playback_.setSpeaking(voice_.speaking());
  // The end of the script closes the window without asking, and there is nothing left to continue.
  if (engine_->isFinished()) {
    saves_->remove(kAutoSlot);
    frame().close();
  }
}

bool GameApp::draw(bool force) {
  if (!engine_) return false;
  // The debug view is taken before the interface is built: the characters it shows join the atlas first.
  const std::string debugCharacters = debug_.takeSnapshot(*engine_, gameFrames_);
  if (!debugCharacters.empty() && frame().overlay()) frame().overlay()->addCharacters(debugCharacters);
  // What the player shows over the game is drawn at every frame, and a mode's word as it comes and goes.
  const bool modeChanged =
      words_.modeChanged(playback_.skipping() || playback_.autoMode() || authoring_->fastForwarding());
  engine_->draw(force || screens_->fading() || debug_.shown() || !authoring_->notice().empty() ||
                words_.saying() || modeChanged);
  return true;
}

void GameApp::buildScreens() {
  if (!screens_->isOpen())
    words_.build(authoring_->fastForwarding() ? ja(MessageId::ModeFastForward) : playback_.modeWord());
  authoring_->buildNotice();
  debug_.build();
  screens_->build();
}

bool GameApp::handleEvent(const WindowEvent& event) {
  using T = WindowEvent::Type;
  playback_.see(event);
  if (!engine_) return false;
#if defined(__EMSCRIPTEN__)
  // A page is closed without a word to the player. When it goes behind another tab or window, the play
  // is kept to be continued, as closing a window keeps it (the script's end lets it go again).
  if (event.type == T::FocusLost && !engine_->isFinished() && !frame().frameLimitReached()) {
    saveSlot(kAutoSlot);
    saves_->writeSeen();
  }
#endif
  if (screens_->isOpen()) return screens_->handle(event);
  steerChoice(event, *engine_);
  // The notice of a failed reload closes with its button, and the click is not the game's.
  if (authoring_->clickNotice(event)) return true;
  if (playback_.leavesAutoMode(event)) {
    playback_.setAutoMode(false);
    rebuildMenus();
  }
  if (playback_.handleHidden(event, *engine_) || rollback_.handle(event)) return true;
  if (event.type == T::Wheel && event.y > 0) {
    screens_->openHistory();
    return true;
  }
  // Esc closes the debug view first, as it closes the player's screens.
  if (event.type == T::KeyDown && !event.repeat && event.key == Key::Escape && debug_.shown()) {
    runCommand(kCommandDebugView);
    return true;
  }
  return false;
}

void GameApp::saveState(const std::filesystem::path& file) {
  outputs_.saveStateFile(*engine_, file);
}

void GameApp::runPlayerAction(const PlayerAction& action) {
  using K = PlayerAction::Kind;
  const auto count = static_cast<std::size_t>(action.value);
  if (action.kind == K::Save) saveSlot(action.value);
  if (action.kind == K::Load) loadSlot(action.value);
  if (action.kind == K::Skip) playback_.setSkip(action.value != 0);
  if (action.kind == K::Auto) {
    playback_.setAutoMode(action.value != 0);
    rebuildMenus();
  }
  if (action.kind == K::Rollback) rollback_.stepBack(count);
  if (action.kind == K::HistoryReturn) rollback_.returnTo(count);
  if (action.kind == K::TextSpeed) playback_.setTextSpeed(action.value);
  if (action.kind == K::ClickCompletes) playback_.setClickCompletes(action.value != 0);
  if (action.kind == K::Speak && voice_.reading() != (action.value != 0))
    voice_.setReading(action.value != 0);
}

void GameApp::afterFirstFrame() {
  // What the first frame did not need: the sound device, the window's icon (read by the picture
  // codecs), the desktop's knowledge of the player.
  if (services_.audio) services_.audio->startOpening();
  if (DisplayWindow* window = frame().graphics().window())
    setWindowIcon(*window, (services_.moduleDirectory / "game.ico").string());
#if !defined(__EMSCRIPTEN__)
  // (A page has no desktop to tell.)
  registerForUser(services_.moduleDirectory);
#endif
}

}  // namespace tavrik
