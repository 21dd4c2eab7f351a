#include "app/debug_control.h"

#include "platform/clock.h"

#include "script/runtime/script_engine.h"

namespace tavrik {

bool DebugControl::toggle() {
  if (!offered_) return false;
  shown_ = !shown_;
  paused_ = false;
  return true;
}

bool DebugControl::holdsGame() {
  if (shown_ && paused_ && !step_) return true;
  step_ = false;
  return false;
}

void DebugControl::frameStarted() {
  const std::int64_t now = performanceCounter();
  if (lastFrameCounter_ != 0)
    frameMilliseconds_ =
        static_cast<double>(now - lastFrameCounter_) * 1000.0 / static_cast<double>(performanceFrequency());
  lastFrameCounter_ = now;
}

std::string DebugControl::takeSnapshot(ScriptEngine& engine, std::int64_t gameFrames) {
  snapshot_.reset();
  if (!shown_) return {};
  snapshot_ = debugSnapshotOf(engine);
  snapshot_->frame = gameFrames;
  snapshot_->frameMilliseconds = frameMilliseconds_;
  snapshot_->paused = paused_;
  return DebugView::characters(*snapshot_);
}

void DebugControl::build() {
  if (!shown_ || !snapshot_) return;
  const DebugRequest asked = view_.build(*snapshot_);
  if (asked.setVariable) request_.setVariable = asked.setVariable;
  request_.togglePause |= asked.togglePause;
  request_.step |= asked.step;
}

void DebugControl::applyRequests(ScriptEngine& engine) {
  if (request_.setVariable) engine.setVariable(request_.setVariable->first, request_.setVariable->second);
  if (request_.togglePause) paused_ = !paused_;
  if (request_.step) step_ = true;
  request_ = {};
}

}  // namespace tavrik
