// Anything an action drives: layers, eye and mouth states, text characters, audio channels.
#pragma once

#include <cstdint>

#include "scene/action.h"

namespace tavrik {

class AnimatedObject {
 public:
  explicit AnimatedObject(ScriptRandom& random) : random_(&random) { AnimatedObject::reset(); }
  virtual ~AnimatedObject() = default;

  // Runs action from step 0. The attributes, velocities and the WAIT spread keep their values.
  virtual void start(const Action* action);
  // Every attribute to its default; finished. The action is kept.
  virtual void reset();
  // One frame: pause, or apply the entries of the current step, integrate, and move to the next step.
  virtual void update();
  virtual bool isFinished() const { return finished; }

  const Action* action() const { return action_; }

  std::int32_t step = 0;
  float x = 0, y = 0, z = 0, vx = 0, vy = 0, vz = 0, ax = 0, ay = 0, az = 0;
  float w = 1, h = 1, vw = 0, vh = 0, t = 0, vt = 0;
  float a = 0, r = 1, g = 1, b = 1, va = 0, vr = 0, vg = 0, vb = 0;
  float vol = 1, vvol = 0;
  std::int32_t index = 0, alignX = 0, alignY = 0;
  std::int32_t wait = 0;
  std::int32_t rwait = 0;
  bool finished = true;

 protected:
  // The AnimatedObject frame step alone, for kinds that wrap it.
  void stepAction();

 private:
  void apply(const ActionEntry& entry);

  ScriptRandom* random_;
  const Action* action_ = nullptr;
};

}  // namespace tavrik
