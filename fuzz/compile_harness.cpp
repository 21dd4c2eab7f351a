#include "compile_harness.h"

#include <fstream>
#include <memory>

#include "platform/graphics_device.h"
#include "platform/input_devices.h"
#include "platform/mouse_state.h"
#include "platform/script_path.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

void compileAndPlay(const std::uint8_t* data, std::size_t size, const std::filesystem::path& dir,
                    FontLibrary* fonts) {
  const std::filesystem::path file = dir / "main.tvk";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  DeviceOptions options;
  options.headless = true;
  static std::unique_ptr<GraphicsDevice> device = GraphicsDevice::create(options, nullptr);
  InputDevices input;
  MouseState mouse;
  ScriptEngine engine(*device, 800, 600, input, mouse, "");
  engine.setFontLibrary(fonts);
  if (engine.compile(*paths::fromNative(file.string()))) return;
  for (int frame = 0; frame < 5 && !engine.isFinished(); ++frame) {
    mouse.left = (frame % 2) == 1;
    engine.update();
    engine.draw();
  }
}

}  // namespace tavrik
