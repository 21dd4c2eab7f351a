#include "scene/animated_object.h"

#include <algorithm>

namespace tavrik {

namespace {

// Steps count frames and may be set anywhere by TIME; they wrap rather than overflow.
std::int32_t wrapAdd(std::int32_t v, std::int32_t d) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(v) + static_cast<std::uint32_t>(d));
}

}  // namespace

void AnimatedObject::start(const Action* action) {
  action_ = action;
  wait = 0;
  step = 0;
  finished = false;
}

void AnimatedObject::reset() {
  x = y = z = vx = vy = vz = ax = ay = az = 0;
  w = h = 1;
  vw = vh = t = vt = 0;
  a = 0;
  r = g = b = 1;
  va = vr = vg = vb = 0;
  vol = 1;
  vvol = 0;
  index = alignX = alignY = 0;
  step = 0;
  wait = 0;
  rwait = 0;
  finished = true;
}

void AnimatedObject::update() {
  stepAction();
}

void AnimatedObject::stepAction() {
  if (wait > 0) {
    --wait;
    return;
  }
  if (action_) {
    // The step is read once: a TIME entry does not change which entries this frame applies.
    const std::int32_t current = step;
    for (const ActionEntry& entry : action_->entries()) {
      if (entry.step == current) apply(entry);
    }
  }
  x += vx;
  y += vy;
  z += vz;
  vx += ax;
  vy += ay;
  vz += az;
  w += vw;
  h += vh;
  t += vt;
  auto clamp01 = [](float& v, float dv) { v = std::clamp(v + dv, 0.0f, 1.0f); };
  clamp01(a, va);
  clamp01(r, vr);
  clamp01(g, vg);
  clamp01(b, vb);
  clamp01(vol, vvol);
  step = wrapAdd(step, 1);
}

void AnimatedObject::apply(const ActionEntry& e) {
  using A = ActionAttribute;
  switch (static_cast<A>(e.attribute)) {
    case A::X:
      x = e.value;
      break;
    case A::Y:
      y = e.value;
      break;
    case A::Z:
      z = e.value;
      break;
    case A::VX:
      vx = e.value;
      break;
    case A::VY:
      vy = e.value;
      break;
    case A::VZ:
      vz = e.value;
      break;
    case A::AX:
      ax = e.value;
      break;
    case A::AY:
      ay = e.value;
      break;
    case A::AZ:
      az = e.value;
      break;
    case A::W:
      w = e.value;
      break;
    case A::H:
      h = e.value;
      break;
    case A::VW:
      vw = e.value;
      break;
    case A::VH:
      vh = e.value;
      break;
    case A::T:
      t = e.value;
      break;
    case A::VT:
      vt = e.value;
      break;
    case A::A:
      a = e.value;
      break;
    case A::R:
      r = e.value;
      break;
    case A::G:
      g = e.value;
      break;
    case A::B:
      b = e.value;
      break;
    case A::VA:
      va = e.value;
      break;
    case A::VR:
      vr = e.value;
      break;
    case A::VG:
      vg = e.value;
      break;
    case A::VB:
      vb = e.value;
      break;
    case A::VOL:
      vol = e.value;
      break;
    case A::VVOL:
      vvol = e.value;
      break;
    case A::INDEX:
      index = truncateToInt(e.value);
      break;
    case A::ALIGNX:
      alignX = truncateToInt(e.value);
      break;
    case A::ALIGNY:
      alignY = truncateToInt(e.value);
      break;
    case A::TIME:
      step = wrapAdd(truncateToInt(e.value), -1);
      break;
    case A::END:
      finished = true;
      break;
    case A::WAIT: {
      const float u = static_cast<float>(random_->next()) / 32767.0f;
      const float pause = e.value + static_cast<float>(rwait) * (u - 0.5f);
      wait = pause > 0 ? truncateToInt(pause) : 0;
      break;
    }
    case A::RWAIT:
      rwait = truncateToInt(e.value);
      break;
    case A::PLAY:
    case A::STOP:
    case A::Count:
      break;
  }
}

}  // namespace tavrik
