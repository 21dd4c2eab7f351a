// Anything an action drives: layers, eye and mouth states, text characters, audio channels.
#pragma once

#include <cstdint>

#include "base/action.h"

namespace tavrik {

// The fields of an animated object: one per attribute row of the action table, each starting at the
// row's reset value. Numbers are floats; whole values, the step and the pause are 32-bit integers.
struct AnimationState {
#define TAVRIK_FIELD_Number(field, reset) float field = reset;
#define TAVRIK_FIELD_Whole(field, reset) std::int32_t field = reset;
#define TAVRIK_FIELD_Step(field, reset) std::int32_t field = reset;
#define TAVRIK_FIELD_Wait(field, reset) std::int32_t field = reset;
#define TAVRIK_FIELD_End(field, reset) bool field = reset;
#define TAVRIK_FIELD_Hook(field, reset)
#define TAVRIK_FIELD(name, field, kind, reset) TAVRIK_FIELD_##kind(field, reset)
  TAVRIK_ACTION_ATTRIBUTES(TAVRIK_FIELD)
#undef TAVRIK_FIELD
#undef TAVRIK_FIELD_Number
#undef TAVRIK_FIELD_Whole
#undef TAVRIK_FIELD_Step
#undef TAVRIK_FIELD_Wait
#undef TAVRIK_FIELD_End
#undef TAVRIK_FIELD_Hook
};

// Calls f(attribute, member) with a pointer to each field of AnimationState, in table order.
template <class F>
void forEachAnimationField(F&& f) {
#define TAVRIK_VISIT_Number(name, field) f(ActionAttribute::name, &AnimationState::field);
#define TAVRIK_VISIT_Whole(name, field) f(ActionAttribute::name, &AnimationState::field);
#define TAVRIK_VISIT_Step(name, field) f(ActionAttribute::name, &AnimationState::field);
#define TAVRIK_VISIT_Wait(name, field) f(ActionAttribute::name, &AnimationState::field);
#define TAVRIK_VISIT_End(name, field) f(ActionAttribute::name, &AnimationState::field);
#define TAVRIK_VISIT_Hook(name, field)
#define TAVRIK_VISIT(name, field, kind, reset) TAVRIK_VISIT_##kind(name, field)
  TAVRIK_ACTION_ATTRIBUTES(TAVRIK_VISIT)
#undef TAVRIK_VISIT
#undef TAVRIK_VISIT_Number
#undef TAVRIK_VISIT_Whole
#undef TAVRIK_VISIT_Step
#undef TAVRIK_VISIT_Wait
#undef TAVRIK_VISIT_End
#undef TAVRIK_VISIT_Hook
}

// The pause spread of WAIT comes from the generator of the runtime library the games were made with,
// never seeded, so a script pauses the same way on every run and every platform.
class ScriptRandom {
 public:
  // 0 to 32767.
  int next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFF);
  }
  std::uint32_t state() const { return state_; }
  void setState(std::uint32_t state) { state_ = state; }

 private:
  std::uint32_t state_ = 1;
};

// An object and the action it runs, as stored and restored.
struct ObjectState {
  AnimationState fields;
  const Action* action = nullptr;
};

class AnimatedObject : public AnimationState {
 public:
  explicit AnimatedObject(ScriptRandom& random) : random_(&random) {}
  virtual ~AnimatedObject() = default;

  // Runs action from step 0. The attributes, velocities and the WAIT spread keep their values.
  virtual void start(const Action* action);
  // Every field to its reset value; finished. The action is kept.
  void reset() { static_cast<AnimationState&>(*this) = AnimationState{}; }
  // One frame: pause, or apply the entries of the current step, integrate, and move to the next step.
  virtual void update();
  virtual bool isFinished() const { return finished; }
  // Frames on at once until the action has ended or applied its last entry (at most kMostSettlingSteps):
  // the object as its action leaves it, for text shown whole.
  void settle();
  static constexpr int kMostSettlingSteps = 100000;

  const Action* action() const { return action_; }

  ObjectState objectState() const { return {*this, action_}; }
  void restoreObject(const ObjectState& state) {
    static_cast<AnimationState&>(*this) = state.fields;
    action_ = state.action;
  }

 protected:
  // The AnimatedObject frame step alone, for kinds that wrap it.
  void stepAction();
  // An entry whose attribute sets no field (PLAY, STOP), in the frame its step applies, in entry order.
  virtual void onHook(const ActionEntry&) {}

 private:
  void apply(const ActionEntry& entry);

  ScriptRandom* random_;
  const Action* action_ = nullptr;
};

}  // namespace tavrik
