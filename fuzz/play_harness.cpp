#include <fstream>
#include <memory>

#include "base/input_state.h"
#include "base/script_path.h"
#include "compile_harness.h"
#include "platform/graphics_device.h"
#include "platform/input_devices.h"
#include "script/compiler/script_compiler.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

void compileAndPlay(const std::uint8_t* data, std::size_t size, const std::filesystem::path& dir,
                    FontLibrary* fonts) {
  const std::filesystem::path file = dir / "main.tvk";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  CompileResult compiled = compileScript(*paths::fromNative(file.string()));
  if (compiled.error) return;
  DeviceOptions options;
  options.headless = true;
  static std::unique_ptr<GraphicsDevice> device = GraphicsDevice::create(options, nullptr);
  InputDevices input;
  MouseState mouse;
  EngineServices services{*device, input, mouse};
  services.fonts = fonts;
  ScriptEngine engine(std::move(compiled.program), std::move(services), "");
  for (int frame = 0; frame < 5 && !engine.isFinished(); ++frame) {
    mouse.left = (frame % 2) == 1;
    engine.update();
    engine.draw();
  }
  // What was played can be stored and taken back.
  const std::vector<std::uint8_t> state = engine.states().save();
  engine.states().restore(state);
}

}  // namespace tavrik
