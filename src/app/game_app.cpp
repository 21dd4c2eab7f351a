#include "app/game_app.h"

#include <cstdio>
#include <future>
#include <sstream>

#include "app/file_association.h"
#include "app/settings.h"
#include "base/files.h"
#include "base/script_path.h"
#include "base/sjis_text.h"
#include "base/terminal_text.h"
#include "base/text_encoding.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/overlay.h"
#include "script/compiler/lint.h"
#include "script/compiler/script_compiler.h"
#include "ui/message_box.h"

namespace tavrik {

namespace {

constexpr const char* kStartupErrorCaption = "起動エラー";
constexpr const char* kScriptErrorCaption = "スクリプトエラー";

std::string eventsFileProblem(const std::string& path, ReadStatus status) {
  switch (status) {
    case ReadStatus::Missing:
      return "イベントファイル" + path + "が見つかりません。";
    case ReadStatus::NotRegular:
      return "イベントファイル" + path + "は通常のファイルではありません。";
    case ReadStatus::TooLarge:
      return "イベントファイル" + path + "は大きすぎます（16 MBまで）。";
    default:
      return "イベントファイル" + path + "を読めません。";
  }
}

}  // namespace

ScriptChoice chooseScriptPath(const std::vector<std::string>& arguments, const std::string& moduleDirectory) {
  ScriptChoice choice;
  if (arguments.size() < 2) {
    const std::string defaultScript = moduleDirectory + "credit\\credit.tvk";
    if (paths::exists(defaultScript))
      choice.path = defaultScript;
    else
      choice.error = "スクリプトファイルを指定してください。";
    return choice;
  }
  // The argument arrives in the terminal's UTF-8; scripts and their paths live in Shift-JIS.
  const std::string& argument = arguments[1];
  const std::string script = paths::fromNative(argument).value_or(argument);
  for (const std::string& candidate : {script, moduleDirectory + script}) {
    if (!paths::exists(candidate)) continue;
    // A folder, a pipe or a device would compile to nothing, or never finish being read. (A wildcard
    // that matches names no single file and passes, as it always has.)
    std::error_code ec;
    const bool wildcard = candidate.find_first_of("*?") != std::string::npos;
    const std::optional<std::filesystem::path> native = paths::resolve(candidate);  // none for a folder
    if (!wildcard && (!native || !std::filesystem::is_regular_file(*native, ec))) {
      choice.error = paths::toDisplay(candidate) + "はスクリプトとして読めるファイルではありません。";
      return choice;
    }
    choice.path = candidate;
    return choice;
  }
  const std::string besideExecutable = moduleDirectory + script;
  choice.error = paths::toDisplay(besideExecutable) + "というスクリプトファイルは見つかりません。";
  return choice;
}

std::string fontMenuLabel(const std::string& sjisFace, int index) {
  std::string label = sjisToUtf8(sjisFace);
  if (index >= 0 && index < 26) label += std::string("(&") + static_cast<char>('A' + index) + ")";
  return label;
}

std::string scriptErrorText(const ScriptError& error) {
  // A script that cannot be read has no line to show: its message names it.
  if (error.wholeFile) return sjisToUtf8(error.message);
  // The path as the compile was handed it, with this system's separators; the line as the author wrote
  // it: converted from Shift-JIS, or as it was in a UTF-8 file.
  std::string text = paths::toDisplay(error.path) + "の" + std::to_string(error.index) + "行目：\n";
  text += error.utf8Line ? error.line : sjisToUtf8(error.line);
  text += "\n" + sjisToUtf8(error.message);
  return text;
}

int checkScript(const CommandLine& commandLine) {
  const ScriptChoice choice = chooseScriptPath(commandLine.arguments, paths::moduleDirectory());
  if (!choice.path) {
    printBox(kStartupErrorCaption, choice.error);
    return 1;
  }
  const CompileResult compiled = compileScript(*choice.path);
  if (compiled.error) {
    printBox(kScriptErrorCaption, scriptErrorText(*compiled.error));
    return 1;
  }
  return 0;
}

int runLint(const CommandLine& commandLine) {
  std::string path;
  if (commandLine.arguments.size() < 2) {
    const ScriptChoice choice = chooseScriptPath(commandLine.arguments, paths::moduleDirectory());
    if (!choice.path) {
      printBox(kStartupErrorCaption, choice.error);
      return 1;
    }
    path = *choice.path;
  } else {
    const std::string& argument = commandLine.arguments[1];
    path = paths::fromNative(argument).value_or(argument);
  }
  const std::vector<LintFinding> findings = lintScript(path, LintOptions{paths::moduleDirectory()});
  if (commandLine.automation.lintJson)
    std::fputs(lintJson(findings).c_str(), stdout);
  else
    writeTerminalText(stdout, lintText(findings));
  return hasErrors(findings) ? 1 : 0;
}

void GameApp::reportStartupProblem(const std::string& caption, const std::string& text) {
  // A window's box is also on standard error, for whoever started the player from a terminal or a
  // script (without a display the box itself is).
  if (haveDisplay()) printBox(caption, text);
  ask(caption, text, BoxButtons::Ok, true);
  if (errorScreenshot_ && !graphics().saveLastFrame(*errorScreenshot_))
    std::fprintf(stderr, "tavrik: cannot write the screenshot %s\n",
                 terminalText(errorScreenshot_->string()).c_str());
}

GameApp::GameApp(FrameSettings settings, std::unique_ptr<GraphicsDevice> graphics)
    : AppFrame(std::move(settings), std::move(graphics)) {}

GameApp::~GameApp() {
  // The engine goes first: it borrows the frame's device, input and mouse.
  engine_.reset();
}

std::unique_ptr<GameApp> GameApp::start(const CommandLine& commandLine, int* exitCode) {
  *exitCode = 1;
  const AutomationOptions& automation = commandLine.automation;
  const bool headless = automation.headless;
  const PlayerOptions player = scanPlayerOptions(commandLine.arguments);

  FrameSettings settings;
  settings.titleUtf8 = kAppTitle;
  settings.headless = headless;
  settings.fullscreen = player.fullscreen;
  settings.confirmExit = player.confirmExit;
  settings.frameLimit = automation.frames;
  settings.keepLastFrame = automation.screenshot.has_value();
  // An events file that cannot be read is a start-up error, reported once the player's box can be shown.
  std::string eventsProblem;
  if (automation.events) {
    ReadStatus status = ReadStatus::Ok;
    const std::optional<std::string> text =
        readRegularFile(*automation.events, EventScript::kMaxFileSize, false, &status);
    if (text) {
      std::string error;
      std::optional<EventScript> events = EventScript::parse(*text, &error);
      if (!events) {
        std::fprintf(stderr, "tavrik: %s: %s\n", terminalText(automation.events->string()).c_str(),
                     terminalText(error).c_str());
        return nullptr;
      }
      settings.events = std::move(*events);
    } else {
      eventsProblem = eventsFileProblem(automation.events->string(), status);
    }
  }

  // A window's sound opens on a thread of its own while the window, the fonts and the script are got
  // ready: the sound system can take a tenth of a second to find its device, or to find there is none.
  std::unique_ptr<AudioOutput> audio;
  audio =
      AudioOutput::open(headless, headless ? AudioOutput::Opening::Now : AudioOutput::Opening::InBackground);

  // So do the fonts: reading the font configuration takes as long as making the window.
  struct Fonts {
    std::unique_ptr<FontLibrary> library;
    std::vector<std::string> japaneseFaces;
  };
  std::future<Fonts> fonts = std::async(std::launch::async, [] {
    Fonts found{FontLibrary::create(), {}};
    if (found.library) found.japaneseFaces = found.library->japaneseFaces();
    return found;
  });

  const std::filesystem::path moduleDir = paths::moduleDirectoryNative();
  settings.helpPath = (moduleDir / "help" / "index.html").string();
  settings.supportUrl = "file://" + settings.helpPath + "#support";

  DeviceOptions deviceOptions;
  deviceOptions.headless = headless;
  deviceOptions.fullscreen = player.fullscreen;
  deviceOptions.titleUtf8 = kAppTitle;
  if (!headless) deviceOptions.topMargin = MenuBar::kHeight;
  std::string deviceError;
  std::unique_ptr<GraphicsDevice> device = GraphicsDevice::create(deviceOptions, &deviceError);
  if (!device) {
    const std::string text =
        "Direct3Dの初期化に失敗しました。\n（DirectX "
        "9.0以上と対応ビデオカードおよびドライバが必要です。）\n" +
        deviceError;
    printBox(kStartupErrorCaption, text);
    // There is no window of the player's for the box: it gets a small one of its own, where one can be had.
    if (!headless) {
      const Fonts found = fonts.get();
      int faceIndex = 0;
      const std::string fontFile = found.library ? found.library->defaultFaceFile(faceIndex) : std::string();
      showBoxInOwnWindow(kStartupErrorCaption, text, fontFile, faceIndex);
    }
    return nullptr;
  }
  std::unique_ptr<GameApp> app(new GameApp(std::move(settings), std::move(device)));
  app->errorScreenshot_ = automation.screenshot;
  if (DisplayWindow* window = app->graphics().window())
    setWindowIcon(*window, (moduleDir / "game.ico").string());

  app->moduleDir_ = moduleDir;

  // The font menu lists the Japanese faces; the saved one is selected, else the first.
  Fonts found = fonts.get();
  app->fonts_ = std::move(found.library);
  app->fontList_ = std::move(found.japaneseFaces);
  app->settingsPath_ = settingsFile(moduleDir);
  // What a player killed while saving left beside the settings goes now.
  removeStaleTemporaryFiles(app->settingsPath_);
  app->selectedFont_ = selectedFontIndex(app->fontList_, readFontSetting(app->settingsPath_));
  app->buildMenus();
  // The player's own interface, in its Japanese font: the boxes, and in a window the menu bar.
  if (app->fonts_) {
    int faceIndex = 0;
    const std::string fontFile = app->fonts_->defaultFaceFile(faceIndex);
    app->setOverlay(Overlay::create(app->graphics(), fontFile, faceIndex));
  }
  if (DisplayWindow* window = app->graphics().window(); window && app->overlay())
    app->setMenuBar(std::make_unique<MenuBar>(*window, *app->overlay(), app->menus_));

  if (!eventsProblem.empty()) {
    app->reportStartupProblem(kStartupErrorCaption, eventsProblem);
    return nullptr;
  }
  const ScriptChoice choice = chooseScriptPath(commandLine.arguments, paths::moduleDirectory());
  if (!choice.path) {
    app->reportStartupProblem(kStartupErrorCaption, choice.error);
    return nullptr;
  }
  app->audio_ = std::move(audio);
  CompileResult compiled = compileScript(*choice.path);
  if (compiled.error) {
    app->reportStartupProblem(kScriptErrorCaption, scriptErrorText(*compiled.error));
    return nullptr;
  }
  app->scriptPath_ = *choice.path;
  app->makeEngine(std::move(compiled.program));
  app->setUpSaves(commandLine, *choice.path);
  if (automation.restoreState && !app->restoreStateFile(*automation.restoreState)) return nullptr;
  if (automation.gotoLine) {
    const std::string problem = app->startAtLine(automation.gotoLine->first, automation.gotoLine->second);
    if (!problem.empty()) {
      app->reportStartupProblem(kStartupErrorCaption, problem);
      return nullptr;
    }
  } else if (!automation.restoreState && !automation.startAfresh) {
    // A play the player closed midway is offered to be continued; automation that sets the state, and
    // --new, start as asked.
    app->offerToContinue();
  }
  if (app->closing()) return nullptr;
  app->setUpAuthoring(automation);
  *exitCode = 0;
  return app;
}

std::string GameApp::selectedFace() const {
  return fontList_.empty() ? std::string() : fontList_[static_cast<std::size_t>(selectedFont_)];
}

void GameApp::makeEngine(std::shared_ptr<const Program> program) {
  EngineServices services{graphics(), input(), mouseState()};
  services.fonts = fonts_.get();
  if (AudioOutput* audio = audio_.get()) {
    services.players = [audio](bool positional, int channels) {
      return audio->createPlayer(positional, channels);
    };
  }
  services.moduleDirectory = paths::moduleDirectory();
  const std::string face = selectedFace();
  // The old engine goes first: its channels and pictures are let go before the new ones come.
  engine_.reset();
  engine_ = std::make_unique<ScriptEngine>(std::move(program), std::move(services), face);
  engine_->setInputWaitAnswer([this](std::int32_t position) { return answerInputWait(position); });
}

void GameApp::buildMenus() {
  menus_.clear();
  // The player's own functions come after the exit item, which stays first.
  menus_.push_back({"システム(&S)",
                    {{"終了(&X)", kCommandExit},
                     {"セーブ(&S)", kCommandSave, false, "F2"},
                     {"ロード(&L)", kCommandLoad, false, "F3"},
                     {"クイックセーブ(&Q)", kCommandQuickSave, false, "F5"},
                     {"クイックロード(&W)", kCommandQuickLoad, false, "F9"},
                     {"履歴(&R)", kCommandHistory, false, "PageUp"},
                     {"オートモード(&A)", kCommandAutoMode, autoMode_, "A"},
                     {"既読スキップ(&K)", kCommandReadSkip, readSkip_},
                     {"音量と設定(&O)", kCommandSettings, false, "F4"}}});
  MenuPopup view{"表示(&V)", {{"フルスクリーン/ウィンドウ切り替え(&F)", kCommandToggleFullscreen}}};
  if (debugOffered_) view.items.push_back({"デバッグ表示(&D)", kCommandDebugView, debugShown_, "F12"});
  menus_.push_back(std::move(view));
  MenuPopup fonts{"フォント(&F)", {}};
  for (std::size_t i = 0; i < fontList_.size(); ++i) {
    fonts.items.push_back({fontMenuLabel(fontList_[i], static_cast<int>(i)),
                           kCommandFontBase + static_cast<int>(i), static_cast<int>(i) == selectedFont_});
  }
  menus_.push_back(std::move(fonts));
  menus_.push_back({"ヘルプ(&H)", {{"ヘルプ(&H)", kCommandHelp}, {"バージョン情報(&V)", kCommandVersion}}});
}

void GameApp::selectFont(int index) {
  std::vector<MenuItem>& items = menus_[2].items;
  items[static_cast<std::size_t>(selectedFont_)].checked = false;
  items[static_cast<std::size_t>(index)].checked = true;
  selectedFont_ = index;
  if (MenuBar* bar = menuBar()) bar->setMenus(menus_);
  // The text on screen changes at once: every text layer is laid out again with the new face.
  if (engine_) engine_->setFontFace(fontList_[static_cast<std::size_t>(index)]);
}

void GameApp::runCommand(int id) {
  const int font = id - kCommandFontBase;
  if (font >= 0 && font < static_cast<int>(fontList_.size())) {
    selectFont(font);
    draw(true);
    return;
  }
  if (engine_) {
    switch (id) {
      case kCommandSave:
        openSlotScreen(SlotScreen::Mode::Save);
        return;
      case kCommandLoad:
        openSlotScreen(SlotScreen::Mode::Load);
        return;
      case kCommandQuickSave:
        saveSlot(kQuickSlot);
        return;
      case kCommandQuickLoad:
        loadSlot(kQuickSlot);
        return;
      case kCommandSettings:
        openSettings();
        return;
      case kCommandHistory:
        openHistory();
        return;
      case kCommandAutoMode:
        setAutoMode(!autoMode_);
        return;
      case kCommandReadSkip:
        readSkip_ = !readSkip_;
        playerSettings_.readOnlySkip = readSkip_;
        writePlayerSettings(playerSettingsPath_, playerSettings_);
        updateMenuChecks();
        return;
      case kCommandDebugView:
        if (debugOffered_) {
          debugShown_ = !debugShown_;
          debugPaused_ = false;
          updateMenuChecks();
          draw(true);
        }
        return;
      default:
        break;
    }
  }
  AppFrame::runCommand(id);
}

bool GameApp::knowsCommand(int id) const {
  const int font = id - kCommandFontBase;
  return (font >= 0 && font < static_cast<int>(fontList_.size())) ||
         (id >= kCommandSave && id <= kCommandReadSkip) || (id == kCommandDebugView && debugOffered_) ||
         AppFrame::knowsCommand(id);
}

void GameApp::shutdown() {
  if (engine_ && saves_) {
    // Closed before the script's end: the play is kept to be continued. (A run that reached --frames
    // was not closed by anyone.)
    if (!engine_->isFinished() && !frameLimitReached()) saveSlot(kAutoSlot);
    if (seen_.changed()) seen_.save(saves_->seenFile());
  }
  engine_.reset();
  writeFontSetting(settingsPath_, selectedFace());
}

void GameApp::update() {
  if (audio_) audio_->poll();
  const std::int64_t now = performanceCounter();
  if (lastFrameCounter_ != 0)
    frameMilliseconds_ =
        static_cast<double>(now - lastFrameCounter_) * 1000.0 / static_cast<double>(performanceFrequency());
  lastFrameCounter_ = now;
  if (ctrlHeld_) ++ctrlFrames_;
  // A script file written: the reload waits a moment for an editor's writes to settle.
  if (watch_ && watch_->changed()) reloadDue_ = now + performanceFrequency() / 8;
  if (reloadDue_ != 0 && now >= reloadDue_) {
    reloadDue_ = 0;
    reload();
  }
  if (toastFrames_ > 0 && --toastFrames_ == 0) draw(true);
  // The game stands still while one of the player's screens is open, or the debug view holds it.
  if (screen_) return;
  if (debugShown_ && debugPaused_ && !debugStep_) return;
  debugStep_ = false;
  runUpdates();
  // The end of the script closes the window without asking, and there is nothing left to continue.
  if (engine_->isFinished()) {
    if (saves_) saves_->remove(kAutoSlot);
    close();
  }
}

void GameApp::draw(bool force) {
  if (!engine_) {
    AppFrame::draw(force);
    return;
  }
  // The debug view is taken before the interface is built: the characters it shows join the atlas
  // first.
  debugSnapshot_.reset();
  if (debugShown_) {
    debugSnapshot_ = debugSnapshot();
    if (overlay()) overlay()->addCharacters(DebugView::characters(*debugSnapshot_));
  }
  // What the player shows over the game is drawn at every frame, and a mode's word as it comes and goes.
  const bool indicator = skipping() || autoMode_ || forward_.active;
  const bool indicatorChanged = indicator != indicatorDrawn_;
  indicatorDrawn_ = indicator;
  engine_->draw(force || screen_ != nullptr || debugShown_ || !noticeText_.empty() || toastFrames_ > 0 ||
                indicatorChanged);
}

void GameApp::afterFirstFrame() {
  AppFrame::afterFirstFrame();
  // The association's result is of no interest: a desktop without it still plays. (A --check run ends
  // before any frame and registers nothing.) A player installed with its desktop files (a package, or
  // an install to a prefix) is registered for every user already.
  if (installedWithDesktopFiles(moduleDir_)) return;
  registerAssociation(dataHome(), Association{moduleDir_ / "tavrik", moduleDir_ / "game.png",
                                              "Tavrikアドベンチャースクリプト"});
}

bool GameApp::restoreStateFile(const std::filesystem::path& file) {
  const std::optional<std::string> bytes = readFile(file);
  if (!bytes) {
    std::fprintf(stderr, "tavrik: cannot read the state file %s\n", terminalText(file.string()).c_str());
    return false;
  }
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
  if (const std::optional<StateError> refused = engine_->restoreState({data, bytes->size()})) {
    std::fprintf(stderr, "tavrik: %s: %s\n", terminalText(file.string()).c_str(), describe(*refused).c_str());
    return false;
  }
  return true;
}

void GameApp::saveState(const std::filesystem::path& file) {
  const std::vector<std::uint8_t> bytes = engine_->saveState();
  if (!writeFileAtomically(file, {reinterpret_cast<const char*>(bytes.data()), bytes.size()})) {
    std::fprintf(stderr, "tavrik: cannot write the state file %s\n", terminalText(file.string()).c_str());
    outputFailed_ = true;
  }
}

bool GameApp::writeExitOutputs(const AutomationOptions& automation) {
  if (automation.screenshot && !graphics().saveLastFrame(*automation.screenshot)) {
    std::fprintf(stderr, "tavrik: cannot write the screenshot %s\n",
                 terminalText(automation.screenshot->string()).c_str());
    outputFailed_ = true;
  }
  if (automation.dumpVariables) {
    const std::vector<std::string>& names = engine_->program().variables;
    for (std::size_t i = 0; i < names.size(); ++i) {
      // A name is whatever the script declared: its control characters are shown, not obeyed.
      std::printf("%s=%g\n", terminalText(sjisToUtf8(names[i])).c_str(),
                  static_cast<double>(engine_->variables()[i]));
    }
    std::fflush(stdout);
  }
  return !outputFailed_;
}

}  // namespace tavrik
