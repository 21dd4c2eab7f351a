// What the player does for the people who write games: playing the script again when it changes, going
// straight to a line, and the debug view.
#include <algorithm>
#include <cstdio>

#include "app/game_app.h"
#include "base/files.h"
#include "base/script_path.h"
#include "base/sjis_text.h"
#include "base/text_encoding.h"
#include "platform/clock.h"
#include "platform/overlay.h"
#include "scene/text_layer.h"
#include "script/compiler/script_compiler.h"
#include "ui/debug_view.h"
#include "ui/message_box.h"

namespace tavrik {

namespace fs = std::filesystem;

namespace {

constexpr const char* kScriptErrorCaption = "スクリプトエラー";

// The native paths of a program's files.
std::vector<fs::path> nativeFiles(const Program& program) {
  std::vector<fs::path> out;
  for (const SourceFile& file : program.files)
    if (std::optional<fs::path> native = paths::resolve(file.path)) out.push_back(*native);
  return out;
}

bool sameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec);
}

std::string lowered(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace

// ---- Fast-forwarding ----

bool GameApp::isForwardTarget(std::int32_t position) const {
  if (forward_.from) {
    const SourceLine site = engine_->program().siteAt(static_cast<std::size_t>(position));
    return site.file == forward_.from->file && site.line >= forward_.from->line;
  }
  return waitsPassed_ >= forward_.waits;
}

void GameApp::runForward(double seconds) {
  const std::int64_t start = performanceCounter();
  const auto limit = static_cast<std::int64_t>(seconds * static_cast<double>(performanceFrequency()));
  while (forward_.active) {
    if (engine_->isFinished()) {
      forward_.active = false;
      break;
    }
    const ScriptEngine::Waiting waiting = engine_->waiting();
    if (waiting == ScriptEngine::Waiting::Input && isForwardTarget(engine_->programCounter())) {
      forward_.active = false;
      break;
    }
    if (waiting == ScriptEngine::Waiting::Choice) {
      // The choice the play made, when it is known; otherwise the player makes it.
      if (forward_.nextChoice >= forward_.choices.size()) {
        if (forward_.toChoice) forward_.active = false;
        break;
      }
      engine_->scene().chosen = true;
      engine_->scene().chosenValue = forward_.choices[forward_.nextChoice++];
    }
    stepEngine();
    if (performanceCounter() - start >= limit) break;
  }
}

std::string GameApp::startAtLine(const std::string& file, int line) {
  const Program& program = engine_->program();
  const fs::path given(file);
  std::optional<std::int32_t> found;
  for (std::size_t i = 0; i < program.files.size() && !found; ++i) {
    const std::optional<fs::path> native = paths::resolve(program.files[i].path);
    if (native && sameFile(*native, given)) found = static_cast<std::int32_t>(i);
  }
  // A bare name stands for the game's file of that name, whatever its letter case.
  if (!found && !given.has_parent_path()) {
    for (std::size_t i = 0; i < program.files.size() && !found; ++i) {
      const std::optional<fs::path> native = paths::resolve(program.files[i].path);
      if (native && lowered(native->filename().string()) == lowered(given.filename().string()))
        found = static_cast<std::int32_t>(i);
    }
  }
  if (!found)
    return "--goto：" + file + "はこのゲームのスクリプトファイルではありません。\n(" + file +
           " is none of the game's script files)";
  // A line past the end of the file is a mistake, not a wish to play the game through.
  const std::optional<fs::path> native = paths::resolve(program.files[static_cast<std::size_t>(*found)].path);
  if (const std::optional<std::string> text = native ? readFile(*native) : std::nullopt) {
    const auto lines = static_cast<int>(std::count(text->begin(), text->end(), '\n') +
                                        (!text->empty() && text->back() != '\n' ? 1 : 0));
    if (line > lines)
      return "--goto：" + file + "は" + std::to_string(lines) + "行までです。\n(" + file + " has " +
             std::to_string(lines) + " lines)";
  }
  forward_ = FastForward{};
  forward_.active = true;
  forward_.from = SourceLine{*found, line - 1};
  return {};
}

// ---- Reloading ----

void GameApp::setUpAuthoring(const AutomationOptions& automation) {
  // Offered to whoever asks, and to a game that is not the player's own.
  std::error_code ec;
  const std::optional<fs::path> script = paths::resolve(scriptPath_);
  const fs::path own = fs::weakly_canonical(moduleDir_, ec);
  const fs::path played = script ? fs::weakly_canonical(*script, ec) : fs::path();
  const bool inOwnFolder =
      std::mismatch(own.begin(), own.end(), played.begin(), played.end()).first == own.end();
  debugOffered_ = automation.debug || !inOwnFolder;
  buildMenus();
  if (MenuBar* bar = menuBar()) bar->setMenus(menus_);
  if (haveDisplay() && !automation.noReload) watchScriptFiles();
}

void GameApp::watchScriptFiles() {
  watch_ = std::make_unique<FileWatch>(nativeFiles(engine_->program()));
  if (!watch_->watching()) watch_.reset();
}

bool GameApp::reload() {
  CompileResult compiled = compileScript(scriptPath_);
  if (compiled.error) {
    // The report as ever, and where an editor, which counts from 1, shows the line.
    const ScriptError& error = *compiled.error;
    const std::string line = std::to_string(error.index + 1);
    showNotice(
        kScriptErrorCaption,
        scriptErrorText(error) +
            (error.wholeFile ? "" : "\n（エディターでは" + line + "行目 / line " + line + " in an editor）"));
    return false;
  }
  // An editor may empty a file a moment before writing it again; played, the empty script would end
  // the game at once and take its automatic save with it.
  if (compiled.program->code.empty() && !engine_->program().code.empty()) {
    showNotice(kScriptErrorCaption, "スクリプト「" + paths::toDisplay(scriptPath_) +
                                        "」には命令がありません。ゲームはそのまま続きます。\n(the script has "
                                        "no commands; the game goes on)");
    return false;
  }
  noticeText_.clear();
  // Where the player is: the waits passed and the choices made, or after a load the line of the wait.
  FastForward target;
  target.active = true;
  const bool atInputWait = engine_->waiting() == ScriptEngine::Waiting::Input;
  const bool atChoice = engine_->waiting() == ScriptEngine::Waiting::Choice;
  if (playReplayable_ && atChoice) {
    // At a choice, that choice: the waits and choices before it, then the player chooses again.
    target.waits = waitsPassed_ + 1;
    target.toChoice = true;
    target.choices = choicesMade_;
  } else if (playReplayable_) {
    // At a wait, that wait; elsewhere the last one passed; before the first, the start.
    target.waits = atInputWait ? waitsPassed_ : waitsPassed_ - 1;
    target.active = target.waits >= 0;
    target.choices = choicesMade_;
  } else {
    target.from = engine_->program().siteAt(static_cast<std::size_t>(std::max(0, engine_->programCounter())));
  }
  makeEngine(std::move(compiled.program));
  seen_.load(saves_->seenFile(), engine_->program().identity);
  waitsPassed_ = 0;
  choicesMade_.clear();
  playReplayable_ = true;
  skipOn_ = false;
  forward_ = target;
  runForward(2.0);
  if (watch_) watchScriptFiles();
  draw(true);
  return true;
}

void GameApp::showNotice(const std::string& caption, const std::string& text) {
  noticeCaption_ = caption;
  noticeText_ = text;
  // Also where a terminal sees it, as every report is.
  printBox(caption, text);
  if (overlay()) overlay()->addCharacters(caption + text + "閉じる");
  draw(true);
}

void GameApp::buildNotice() {
  if (!noticeText_.empty()) noticeClose_ = buildNoticePanel(noticeCaption_, noticeText_);
}

// ---- The debug view ----

DebugSnapshot GameApp::debugSnapshot() {
  DebugSnapshot snapshot = debugSnapshotOf(*engine_);
  snapshot.frame = gameFrames_;
  snapshot.frameMilliseconds = frameMilliseconds_;
  snapshot.paused = debugPaused_;
  return snapshot;
}

void GameApp::buildDebugView() {
  if (!debugShown_ || !engine_ || !debugSnapshot_) return;
  const DebugRequest request = DebugView().build(*debugSnapshot_);
  if (request.setVariable) engine_->setVariable(request.setVariable->first, request.setVariable->second);
  if (request.togglePause) debugPaused_ = !debugPaused_;
  if (request.step) debugStep_ = true;
}

}  // namespace tavrik
