// Helpers for the tests of the runtime and those above it: a headless engine with its device, input and
// mouse.
#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "platform/graphics_device.h"
#include "platform/input_devices.h"
#include "base/input_state.h"
#include "script/runtime/script_engine.h"
#include "support/compiler_support.h"
#include "support/scene_support.h"

namespace tavrik::test {

// A headless engine playing a compiled script.
struct EngineRig {
  EngineRig();
  ~EngineRig();

  // Writes the script (UTF-8 lines) into dir as name, compiles it and, when it compiles, makes the
  // engine; the error, if any.
  std::optional<ScriptError> compile(std::string_view utf8Source, std::string_view name = "main.tvk");
  // Plays a program made otherwise.
  void play(std::shared_ptr<const Program> program);
  // Runs frames until the script has finished (at most limit); how many ran, the last included.
  int framesUntilFinished(int limit = 10000);
  // A variable's value by its UTF-8 name (0 for none, which fails the test).
  float variable(std::string_view utf8Name) const;

  TempDir dir;
  std::unique_ptr<GraphicsDevice> device;
  InputDevices input;
  MouseState mouse;
  std::shared_ptr<const Program> program;
  std::unique_ptr<ScriptEngine> engine;
};

}  // namespace tavrik::test
