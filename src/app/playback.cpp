#include "app/playback.h"

#include "app/save_store.h"
#include "base/messages.h"
#include "platform/clock.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

namespace {

// A frame of skipping in a window stops adding updates after this long, leaving the rest of the
// sixtieth of a second for drawing.
constexpr double kSkipFrameSeconds = 0.012;

bool isCtrl(const WindowEvent& event) {
  using T = WindowEvent::Type;
  return (event.type == T::KeyDown || event.type == T::KeyUp) &&
         (event.key == Key::LeftCtrl || event.key == Key::RightCtrl);
}

}  // namespace

void Playback::setAutoMode(bool on) {
  autoMode_ = on;
  autoFrames_ = 0;
  autoAnswerDue_ = false;
}

void Playback::setSkip(bool on) {
  skipOn_ = on;
  skipStopped_ = false;
}

void Playback::stopForLoad() {
  skipOn_ = false;
  skipStopped_ = ctrlHeld_;
  autoFrames_ = 0;
  autoAnswerDue_ = false;
  autoMode_ = false;
}

std::string Playback::modeWord() const {
  if (skipping()) return ja(MessageId::ModeSkip);
  if (autoMode_) return ja(MessageId::ModeAuto);
  return {};
}

void Playback::see(const WindowEvent& event) {
  using T = WindowEvent::Type;
  const bool ctrl = isCtrl(event);
  if (event.type == T::KeyDown && ctrl && !event.repeat) {
    ctrlHeld_ = true;
    ctrlFrames_ = 0;
    skipStopped_ = false;
  }
  // A controller's right shoulder held skips as Ctrl does.
  const bool shoulder = (event.type == T::PadButtonDown || event.type == T::PadButtonUp) &&
                        event.padButton == PadButton::RightShoulder;
  if (shoulder && event.type == T::PadButtonDown) {
    ctrlHeld_ = true;
    ctrlFrames_ = 0;
    skipStopped_ = false;
  }
  if ((event.type == T::KeyUp && ctrl) || (shoulder && event.type == T::PadButtonUp) ||
      event.type == T::FocusLost)
    ctrlHeld_ = false;
  // Ctrl with another key is a shortcut, not a skip.
  if (event.type == T::KeyDown && !ctrl && ctrlHeld_ && !skipOn_) skipStopped_ = true;
}

bool Playback::leavesAutoMode(const WindowEvent& event) const {
  using T = WindowEvent::Type;
  return autoMode_ &&
         ((event.type == T::KeyDown && event.key != Key::A && !isCtrl(event) && !event.repeat) ||
          event.type == T::ButtonDown || (event.type == T::PadButtonDown && event.padButton == PadButton::A));
}

bool Playback::answers(std::int32_t position, const SeenWaits& seen) const {
  if (skipping()) return !readSkip_ || seen.contains(position);
  return autoAnswerDue_;
}

void Playback::hideText(ScriptEngine& engine) {
  textHidden_ = true;
  engine.scene().setTextHidden(true);
}

bool Playback::handleHidden(const WindowEvent& event, ScriptEngine& engine) {
  using T = WindowEvent::Type;
  const bool press = (event.type == T::KeyDown && !event.repeat) || event.type == T::ButtonDown ||
                     event.type == T::PadButtonDown;
  if (!textHidden_) {
    if (event.type == T::ButtonDown && event.button == MouseButton::Middle) hideText(engine);
    return false;
  }
  // The release of what showed the text again is let through, so that nothing stays held.
  if (!press) return false;
  textHidden_ = false;
  engine.scene().setTextHidden(false);
  return true;
}

void Playback::takeSettings(const PlayerSettings& settings, bool window) {
  readSkip_ = settings.readOnlySkip;
  window_ = window;
}

void Playback::beforeUpdate(ScriptEngine& engine, const PlayerSettings& settings) {
  engine.text().setSpeed(textSpeed_.value_or(window_ ? settings.textSpeed : 2));
  engine.text().setClickCompletes(clickCompletes_.value_or(window_ && settings.clickCompletes));
  // The pause starts when the text has been typed out; each character shown adds to it.
  if (!autoMode_ || engine.waiting() != ScriptEngine::Waiting::Input || !engine.text().typed()) {
    autoFrames_ = 0;
    autoAnswerDue_ = false;
    return;
  }
  ++autoFrames_;
  const double pauseMs = settings.autoPauseMs + static_cast<double>(settings.autoPausePerCharacterMs) *
                                                    static_cast<double>(engine.text().shownCharacters());
  // Nor does auto mode go on while the text is still being read aloud.
  autoAnswerDue_ = static_cast<double>(autoFrames_) * 1000.0 / 60.0 >= pauseMs && !speaking_;
}

void Playback::waitPassed() {
  autoFrames_ = 0;
  autoAnswerDue_ = false;
}

void Playback::runUpdates(ScriptEngine& engine, const SeenWaits& seen, bool timeBound,
                          const std::function<bool()>& step) {
  // The game waits while the player looks behind the text.
  if (textHidden_) return;
  const bool skippingAtStart = skipping();
  const std::int64_t start = performanceCounter();
  for (int done = 0;;) {
    const bool passedAWait = step();
    ++done;
    if (!skippingAtStart || engine.isFinished()) break;
    // Skipping stops at every choice, and skipping only what was read stops at a wait not passed before.
    const ScriptEngine::Waiting waiting = engine.waiting();
    if (waiting == ScriptEngine::Waiting::Choice ||
        (readSkip_ && waiting == ScriptEngine::Waiting::Input && !seen.contains(engine.programCounter()))) {
      skipOn_ = false;
      skipStopped_ = true;
      break;
    }
    // Each text skipped shows for a frame: letting go of Ctrl stops where the eye is.
    if (passedAWait) break;
    if (done < kSkipUpdates) continue;
    // A window runs as many updates as the frame has time for; a headless run always the same number.
    const double elapsed =
        static_cast<double>(performanceCounter() - start) / static_cast<double>(performanceFrequency());
    if (!timeBound || elapsed >= kSkipFrameSeconds) break;
  }
}

}  // namespace tavrik
