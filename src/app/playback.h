// How the game goes on besides the player's clicks: skipping (Ctrl held, or the events file's "skip"),
// skipping only the waits passed before, and auto mode, which answers an input wait once the text has
// been typed out and has stood a while.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/window_events.h"
#include "ui/player_settings.h"

namespace tavrik {

class ScriptEngine;
class SeenWaits;

class Playback {
 public:
  // Skipping runs at least this many updates a frame; headless exactly this many, so runs repeat. A
  // frame ends at every input wait skipped, so that each text shows for a frame at least.
  static constexpr int kSkipUpdates = 16;
  // Ctrl skips once it has been held this many frames: Ctrl+R and a brush of the key skip nothing.
  static constexpr int kSkipDelayFrames = 6;

  bool skipping() const {
    return ((ctrlHeld_ && ctrlFrames_ >= kSkipDelayFrames) || skipOn_) && !skipStopped_;
  }
  bool autoMode() const { return autoMode_; }
  bool readOnlySkip() const { return readSkip_; }
  void setAutoMode(bool on);
  void setReadOnlySkip(bool on) { readSkip_ = on; }
  // The events file's "skip on" and "skip off".
  void setSkip(bool on);
  // A reloaded game plays on without the events file's skipping, and with its text shown (its engine is
  // new).
  void endEventSkip() {
    skipOn_ = false;
    textHidden_ = false;
  }
  // A loaded game starts still: no skipping or auto mode carried over into it.
  void stopForLoad();
  // The word shown while one of the modes runs the game; empty while none does.
  std::string modeWord() const;

  // Sees every event first, to follow Ctrl. Returns whether the event leaves auto mode (any click or
  // key but the auto mode's own; Ctrl skips over it): the caller decides whether the game had it.
  void see(const WindowEvent& event);
  bool leavesAutoMode(const WindowEvent& event) const;
  // A frame begins.
  void frameStarted() {
    if (ctrlHeld_) ++ctrlFrames_;
  }

  // Whether the modes answer the input wait at a position (skipping only what was read asks seen).
  bool answers(std::int32_t position, const SeenWaits& seen) const;
  // The settings this follows: read-only skip, and in a window the text speed and click-completes (a
  // headless run keeps the script's own pace unless the events file sets them).
  void takeSettings(const PlayerSettings& settings, bool window);
  // The events file's "text-speed" (half steps a frame, 0 whole at once) and "click-completes".
  void setTextSpeed(int halfSteps) { textSpeed_ = halfSteps; }
  void setClickCompletes(bool on) { clickCompletes_ = on; }
  // The text is still being read aloud: auto mode waits for it.
  void setSpeaking(bool speaking) { speaking_ = speaking; }
  // Before each engine update: the text speed and click-completes the engine types with (the settings'
  // in a window, unless the events file set them), and the pause of auto mode, which counts while the
  // text stands typed out.
  void beforeUpdate(ScriptEngine& engine, const PlayerSettings& settings);
  // An input wait was passed: auto mode's pause starts again.
  void waitPassed();
  // Hides the text to show the picture behind it; the game waits until the next key or click, which
  // shows it again and is spent. The middle button hides it too (the script still sees that button).
  void hideText(ScriptEngine& engine);
  bool textHidden() const { return textHidden_; }
  // Whether the event was the one that shows the hidden text again (or hid it: the middle button).
  bool handleHidden(const WindowEvent& event, ScriptEngine& engine);
  // A frame's updates: one, or while skipping as many as the frame allows (window) or exactly
  // kSkipUpdates (headless). step updates the engine once and tells whether an input wait was passed.
  void runUpdates(ScriptEngine& engine, const SeenWaits& seen, bool timeBound,
                  const std::function<bool()>& step);

 private:
  bool ctrlHeld_ = false;
  int ctrlFrames_ = 0;        // frames Ctrl has been held
  bool skipOn_ = false;       // the events file's "skip on"
  bool skipStopped_ = false;  // skipping met a choice or an unread wait: Ctrl must be pressed again
  bool readSkip_ = false;     // skip only the waits this player has passed before (kept in the settings)
  bool autoMode_ = false;
  bool autoAnswerDue_ = false;
  std::int64_t autoFrames_ = 0;  // frames the typed-out text has waited in auto mode
  bool window_ = false;
  bool textHidden_ = false;
  bool speaking_ = false;
  std::optional<int> textSpeed_;        // set by the events file
  std::optional<bool> clickCompletes_;  // set by the events file
};

}  // namespace tavrik
