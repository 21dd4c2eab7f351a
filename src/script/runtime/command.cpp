#include "script/runtime/command.h"

#include "platform/graphics_device.h"
#include "platform/input_devices.h"
#include "platform/mouse_state.h"
#include "scene/channel.h"
#include "scene/layer.h"
#include "scene/scene.h"
#include "scene/text_layer.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

bool JumpCommand::execute() {
  if (!left_) {
    engine_.jumpBy(offset_);
    return true;
  }
  const float l = left_->value;
  const float r = right_ ? right_->value : constant_;
  bool result = false;
  switch (static_cast<Comparison>(comparison_)) {
    case Comparison::Equal:
      result = l == r;
      break;
    case Comparison::NotEqual:
      result = l != r;
      break;
    case Comparison::GreaterEqual:
      result = l >= r;
      break;
    case Comparison::LessEqual:
      result = l <= r;
      break;
    case Comparison::Greater:
      result = l > r;
      break;
    case Comparison::Less:
      result = l < r;
      break;
  }
  if (result == jumpWhen_) engine_.jumpBy(offset_);
  return true;
}

bool WaitTimeCommand::execute() {
  if (remaining_ != 0) {
    // A negative count moves away from zero and never ends in practice, as scripts have always seen.
    // Wrapping past the smallest value is left to unsigned arithmetic to stay well defined.
    remaining_ = static_cast<int>(static_cast<unsigned>(remaining_) - 1u);
    return false;
  }
  remaining_ = reload_;
  return true;
}

bool WaitInputCommand::execute() {
  const bool pressed = engine_.mouse().left || engine_.input().pad(0).buttons[0];
  if (!pressedBefore_ && pressed) {
    pressedBefore_ = true;
    return true;
  }
  pressedBefore_ = pressed;
  return false;
}

bool WaitActionCommand::execute() {
  return target_ ? target_->isFinished() : engine_.allActionsFinished();
}

bool LoadImageCommand::execute() {
  layer_.loadImage(path_);
  engine_.noteLoad();
  return true;
}

bool LoadSoundCommand::execute() {
  channel_.load(path_);
  engine_.noteLoad();
  return true;
}

bool StartActionCommand::execute() {
  target_.start(&action_);
  return true;
}

bool ShowTextCommand::execute() {
  if (hasText_) {
    layer_.setText(text_);
    layer_.startEach(actions_);
  } else {
    layer_.startAll(actions_.front());
  }
  layer_.renderGlyphs();
  return true;
}

bool SetEyeActionCommand::execute() {
  layer_.startEyeAction(&action_);
  return true;
}

bool SetMouthActionCommand::execute() {
  layer_.startMouthAction(&action_);
  return true;
}

bool AssignCommand::execute() {
  const float v = source_ ? source_->value : constant_;
  const float t = target_.value;
  switch (static_cast<Assignment>(code_)) {
    case Assignment::Add:
      target_.value = v + t;
      break;
    case Assignment::Subtract:
      target_.value = t - v;
      break;
    case Assignment::Multiply:
      target_.value = v * t;
      break;
    case Assignment::Divide:
      target_.value = t / v;
      break;
    case Assignment::Set:
      target_.value = v;
      break;
  }
  return true;
}

bool WaitChoiceCommand::execute() {
  Scene& scene = engine_.scene();
  if (!waiting_) {
    scene.chosen = false;
    waiting_ = true;
    return false;
  }
  if (!scene.chosen) return false;
  waiting_ = false;
  engine_.choiceResult().value = static_cast<float>(scene.chosenValue);
  return true;
}

bool SetTitleCommand::execute() {
  engine_.device().setTitle(title_);
  return true;
}

}  // namespace tavrik
