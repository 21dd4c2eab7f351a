// What the player does for the people who write games: playing the script again when one of its files
// changes (or on Ctrl+R), fast-forwarding the new play to where the player was, going straight to a
// line (--goto), and the notice that shows a reload's script error over the running game.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/script_error.h"
#include "platform/file_watch.h"
#include "script/compiler/program.h"
#include "ui/screen.h"

namespace tavrik {

class ScriptEngine;

class Authoring {
 public:
  // What a reload needs of the player: the engine playing now, a new engine for a program, one
  // update of the engine (whether it passed an input wait), the notice's characters for the
  // overlay's atlas, a forced frame.
  struct Hooks {
    std::function<ScriptEngine&()> engine;
    std::function<void(std::shared_ptr<const Program>)> replaceEngine;
    std::function<bool()> step;
    std::function<void(const std::string&)> addCharacters;
    std::function<void()> redraw;
  };
  Authoring(std::string scriptPath, Hooks hooks)
      : scriptPath_(std::move(scriptPath)), hooks_(std::move(hooks)) {}

  // Watches the program's files, so that a change reloads it.
  void watch(const Program& program);
  // Once a frame: reloads when a watched file changed and the writes have settled.
  void poll();
  // Compiles the script again and, when it compiles, plays it from the start, fast-forwarding to the
  // input wait the player was at (or the nearest before it); a script error is shown over the game,
  // which goes on. Whether it compiled.
  bool reload();

  // Sets off fast-forwarding to the first input wait at or after a line (1-based) of one of the game's
  // files; the problem, when the file is none of them.
  std::string startAtLine(const Program& program, const std::string& file, int line);
  bool fastForwarding() const { return forward_.active; }
  // A frame's worth of fast-forwarding; a choice with no answer known is the player's to make.
  void runFrame();
  // Whether fast-forwarding answers the input wait at a position (it stops at its target).
  bool passes(std::int32_t position) const { return !isTarget(position); }

  // The play as reloading replays it: an input wait passed, a choice made. After a load what led to
  // the moment is not known, and a reload goes to the line of the wait instead.
  void countWait() { ++waitsPassed_; }
  void countChoice(std::int32_t value) { choicesMade_.push_back(value); }
  void forgetPlay();

  // The report of a reload that failed, over the game; empty when none is shown.
  const std::string& notice() const { return noticeText_; }
  void showNotice(const std::string& caption, const std::string& text);
  void buildNotice();
  // A left click on the notice's close button; whether it was one (the game does not see it).
  bool clickNotice(const WindowEvent& event);

 private:
  struct FastForward {
    bool active = false;
    std::int64_t waits = -1;            // stop at the input wait after this many were passed, or
    std::optional<SourceLine> from;     // at the first input wait written at or after this line
    std::vector<std::int32_t> choices;  // the choices to make on the way, in order
    std::size_t nextChoice = 0;
    bool toChoice = false;  // done at the first choice whose answer is not known (the player was at it)
  };
  bool isTarget(std::int32_t position) const;
  void runForward(double seconds);

  std::string scriptPath_;
  Hooks hooks_;
  std::int64_t waitsPassed_ = 0;
  std::vector<std::int32_t> choicesMade_;
  bool playReplayable_ = true;
  FastForward forward_;
  std::unique_ptr<FileWatch> watch_;
  std::int64_t reloadDue_ = 0;  // performance counter of a reload waiting for the writes to settle; 0 none
  std::string noticeCaption_, noticeText_;
  ScreenRect noticeClose_;
};

// The text of a compile error's report: the file and the zero-based line, the line as written, the
// message (UTF-8).
std::string scriptErrorText(const ScriptError& error);

}  // namespace tavrik
