#include "support/runtime_support.h"

#include <gtest/gtest.h>

#include "support/platform_support.h"

namespace tavrik::test {

EngineRig::EngineRig() : device(headlessDevice()) {
  play(programOf({}));
}

EngineRig::~EngineRig() {
  engine.reset();
}

void EngineRig::play(std::shared_ptr<const Program> played) {
  engine.reset();
  program = std::move(played);
  engine = std::make_unique<ScriptEngine>(program, EngineServices{*device, input, mouse}, "");
}

std::optional<ScriptError> EngineRig::compile(std::string_view utf8Source, std::string_view name) {
  CompileResult compiled = compileSource(dir, utf8Source, name);
  if (compiled.error) return compiled.error;
  play(std::move(compiled.program));
  return std::nullopt;
}

int EngineRig::framesUntilFinished(int limit) {
  // The application updates, then asks whether the script has ended: count frames the same way.
  int frames = 0;
  do {
    engine->update();
    ++frames;
  } while (!engine->isFinished() && frames < limit);
  return frames;
}

float EngineRig::variable(std::string_view utf8Name) const {
  const std::optional<float> value = engine->variable(sjis(utf8Name));
  EXPECT_TRUE(value.has_value()) << "no variable " << utf8Name;
  return value.value_or(0.0f);
}

}  // namespace tavrik::test
