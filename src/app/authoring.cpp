#include "app/authoring.h"

#include <algorithm>

#include "base/files.h"
#include "base/messages.h"
#include "base/script_path.h"
#include "base/text_encoding.h"
#include "platform/clock.h"
#include "script/compiler/script_compiler.h"
#include "script/runtime/script_engine.h"
#include "ui/message_box.h"
#include "ui/notice.h"

namespace tavrik {

namespace fs = std::filesystem;

namespace {

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

std::string scriptErrorText(const ScriptError& error) {
  // A script that cannot be read has no line to show: its message names it.
  if (error.wholeFile) return sjisToUtf8(error.message);
  // The path as the compile was handed it, with this system's separators; the line as the author wrote
  // it: converted from Shift-JIS, or as it was in a UTF-8 file.
  std::string text =
      ja(MessageId::ScriptErrorWhere, {paths::toDisplay(error.path), std::to_string(error.index)});
  text += "\n";
  text += error.utf8Line ? error.line : sjisToUtf8(error.line);
  text += "\n" + sjisToUtf8(error.message);
  return text;
}

// ---- Fast-forwarding ----

bool Authoring::isTarget(std::int32_t position) const {
  if (forward_.from) {
    const SourceLine site = hooks_.engine().program().siteAt(static_cast<std::size_t>(position));
    return site.file == forward_.from->file && site.line >= forward_.from->line;
  }
  return waitsPassed_ >= forward_.waits;
}

void Authoring::runFrame() {
  runForward(0.25);
  if (forward_.active && hooks_.engine().waiting() == ScriptEngine::Waiting::Choice) hooks_.step();
}

void Authoring::runForward(double seconds) {
  const std::int64_t start = performanceCounter();
  const auto limit = static_cast<std::int64_t>(seconds * static_cast<double>(performanceFrequency()));
  while (forward_.active) {
    ScriptEngine& engine = hooks_.engine();
    if (engine.isFinished()) {
      forward_.active = false;
      break;
    }
    const ScriptEngine::Waiting waiting = engine.waiting();
    if (waiting == ScriptEngine::Waiting::Input && isTarget(engine.programCounter())) {
      forward_.active = false;
      break;
    }
    if (waiting == ScriptEngine::Waiting::Choice) {
      // The choice the play made, when it is known; otherwise the player makes it.
      if (forward_.nextChoice >= forward_.choices.size()) {
        if (forward_.toChoice) forward_.active = false;
        break;
      }
      engine.scene().chosen = true;
      engine.scene().chosenValue = forward_.choices[forward_.nextChoice++];
    }
    hooks_.step();
    if (performanceCounter() - start >= limit) break;
  }
}

std::string Authoring::startAtLine(const Program& program, const std::string& file, int line) {
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
  if (!found) return ja(MessageId::GotoNotAScript, {file});
  // A line past the end of the file is a mistake, not a wish to play the game through.
  const std::optional<fs::path> native = paths::resolve(program.files[static_cast<std::size_t>(*found)].path);
  if (const std::optional<std::string> text = native ? readFile(*native) : std::nullopt) {
    const auto lines = static_cast<int>(std::count(text->begin(), text->end(), '\n') +
                                        (!text->empty() && text->back() != '\n' ? 1 : 0));
    if (line > lines) return ja(MessageId::GotoPastEnd, {file, std::to_string(lines)});
  }
  forward_ = FastForward{};
  forward_.active = true;
  forward_.from = SourceLine{*found, line - 1};
  return {};
}

void Authoring::forgetPlay() {
  playReplayable_ = false;
  waitsPassed_ = 0;
  choicesMade_.clear();
  forward_ = FastForward{};
}

// ---- Reloading ----

void Authoring::watch(const Program& program) {
  watch_ = std::make_unique<FileWatch>(nativeFiles(program));
  if (!watch_->watching()) watch_.reset();
}

void Authoring::poll() {
  const std::int64_t now = performanceCounter();
  // A script file written: the reload waits a moment for an editor's writes to settle.
  if (watch_ && watch_->changed()) reloadDue_ = now + performanceFrequency() / 8;
  if (reloadDue_ != 0 && now >= reloadDue_) {
    reloadDue_ = 0;
    reload();
  }
}

bool Authoring::reload() {
  CompileResult compiled = compileScript(scriptPath_);
  if (compiled.error) {
    // The report as ever, and where an editor, which counts from 1, shows the line.
    const ScriptError& error = *compiled.error;
    const std::string line = std::to_string(error.index + 1);
    showNotice(
        ja(MessageId::ScriptErrorCaption),
        scriptErrorText(error) + (error.wholeFile ? "" : "\n" + ja(MessageId::ReloadEditorLine, {line})));
    return false;
  }
  ScriptEngine& engine = hooks_.engine();
  // An editor may empty a file a moment before writing it again; played, the empty script would end
  // the game at once and take its automatic save with it.
  if (compiled.program->code.empty() && !engine.program().code.empty()) {
    showNotice(ja(MessageId::ScriptErrorCaption),
               ja(MessageId::ReloadNoCommands, {paths::toDisplay(scriptPath_)}));
    return false;
  }
  noticeText_.clear();
  // Where the player is: the waits passed and the choices made, or after a load the line of the wait.
  FastForward target;
  target.active = true;
  const bool atInputWait = engine.waiting() == ScriptEngine::Waiting::Input;
  const bool atChoice = engine.waiting() == ScriptEngine::Waiting::Choice;
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
    target.from = engine.program().siteAt(static_cast<std::size_t>(std::max(0, engine.programCounter())));
  }
  hooks_.replaceEngine(std::move(compiled.program));
  waitsPassed_ = 0;
  choicesMade_.clear();
  playReplayable_ = true;
  forward_ = target;
  runForward(2.0);
  if (watch_) watch(hooks_.engine().program());
  hooks_.redraw();
  return true;
}

// ---- The notice ----

void Authoring::showNotice(const std::string& caption, const std::string& text) {
  noticeCaption_ = caption;
  noticeText_ = text;
  // Also where a terminal sees it, as every report is.
  printBox(caption, text);
  hooks_.addCharacters(caption + text + ja(MessageId::NoticeClose));
  hooks_.redraw();
}

void Authoring::buildNotice() {
  if (!noticeText_.empty()) noticeClose_ = buildNoticePanel(noticeCaption_, noticeText_);
}

bool Authoring::clickNotice(const WindowEvent& event) {
  using T = WindowEvent::Type;
  if (noticeText_.empty() || (event.type != T::ButtonDown && event.type != T::ButtonUp) ||
      event.button != MouseButton::Left || !noticeClose_.contains(event.x, event.y))
    return false;
  if (event.type == T::ButtonUp) {
    noticeText_.clear();
    hooks_.redraw();
  }
  return true;
}

}  // namespace tavrik
