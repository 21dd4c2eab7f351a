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

void AnimatedObject::update() {
  stepAction();
}

void AnimatedObject::settle() {
  std::int32_t last = 0;
  if (action_)
    for (const ActionEntry& entry : action_->entries) last = std::max(last, entry.step);
  for (int k = 0; k < kMostSettlingSteps && !finished && step <= last; ++k) update();
}

void AnimatedObject::stepAction() {
  if (wait > 0) {
    --wait;
    return;
  }
  if (action_) {
    // The step is read once: a TIME entry does not change which entries this frame applies.
    const std::int32_t current = step;
    for (const ActionEntry& entry : action_->entries) {
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
  // A pause of the value, spread by up to half the RWAIT either way.
  auto pause = [&] {
    const float u = static_cast<float>(random_->next()) / 32767.0f;
    const float frames = e.value + static_cast<float>(rwait) * (u - 0.5f);
    return frames > 0 ? truncateToInt(frames) : 0;
  };
#define TAVRIK_APPLY_Number(field) field = e.value;
#define TAVRIK_APPLY_Whole(field) field = truncateToInt(e.value);
#define TAVRIK_APPLY_Step(field) field = wrapAdd(truncateToInt(e.value), -1);
#define TAVRIK_APPLY_End(field) field = true;
#define TAVRIK_APPLY_Wait(field) field = pause();
#define TAVRIK_APPLY_Hook(field) onHook(e);
#define TAVRIK_APPLY(name, field, kind, reset) \
  case ActionAttribute::name:                  \
    TAVRIK_APPLY_##kind(field) break;
  // Entries of no known attribute (none come from the compiler) do nothing.
  switch (static_cast<ActionAttribute>(e.attribute)) {
    TAVRIK_ACTION_ATTRIBUTES(TAVRIK_APPLY)
    case ActionAttribute::Count:
      break;
  }
#undef TAVRIK_APPLY
#undef TAVRIK_APPLY_Number
#undef TAVRIK_APPLY_Whole
#undef TAVRIK_APPLY_Step
#undef TAVRIK_APPLY_End
#undef TAVRIK_APPLY_Wait
#undef TAVRIK_APPLY_Hook
}

}  // namespace tavrik
