// Helpers shared by the tests: temporary folders, Shift-JIS text from UTF-8 literals, compiled programs,
// a headless scene and a headless engine with its device, input and mouse.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "base/input_state.h"
#include "platform/glyph_font.h"
#include "platform/graphics_device.h"
#include "platform/image_decoder.h"
#include "platform/input_devices.h"
#include "platform/overlay.h"
#include "scene/scene.h"
#include "script/compiler/script_compiler.h"
#include "script/runtime/script_engine.h"

namespace tavrik::test {

// A fresh directory under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes bytes to a file below the directory (creating folders) and returns its path.
  std::filesystem::path write(const std::filesystem::path& relative, std::string_view bytes) const;

 private:
  std::filesystem::path path_;
};

// The Shift-JIS bytes of UTF-8 text; the test fails when the text has no Shift-JIS form.
std::string sjis(std::string_view utf8);
// A file's bytes; empty when it cannot be read.
std::string readBytes(const std::filesystem::path& file);
// Script source from UTF-8 lines, in Shift-JIS with CR LF line ends as Windows editors write it.
std::string sjisScript(std::string_view utf8);
// A native path in script form.
std::string scriptPath(const std::filesystem::path& native);

// A picture of one colour, or with a function of the position.
DecodedImage solidPicture(int width, int height, std::uint32_t argb);
template <class F>
DecodedImage picture(int width, int height, F texel) {
  DecodedImage image{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.pixels[static_cast<std::size_t>(y) * width + x] = texel(x, y);
  return image;
}

// Colour channels of two ARGB values differ by at most tolerance.
::testing::AssertionResult nearColour(std::uint32_t actual, std::uint32_t expected, int tolerance = 3);

// Writes the script (UTF-8 lines) into dir as name, in Shift-JIS, and compiles it.
CompileResult compileSource(const TempDir& dir, std::string_view utf8Source,
                            std::string_view name = "main.tvk");

// A program of hand-made commands, for the engine's own tests: variables after the choice result, code
// runs the commands in order unless given, and every text a command names is "title".
std::shared_ptr<const Program> programOf(std::vector<Command> commands,
                                         std::vector<std::string> variables = {},
                                         std::vector<std::int32_t> code = {});

// A headless device for the scene and the engine.
std::unique_ptr<GraphicsDevice> headlessDevice();

// The player's own interface drawn headless in its Japanese face, as a screenshot shows it; overlay is
// null when no face could be had.
struct OverlayRig {
  OverlayRig();
  std::unique_ptr<GraphicsDevice> device;
  std::unique_ptr<FontLibrary> fonts;
  std::unique_ptr<Overlay> overlay;
};

// A headless scene with its device, mouse and generator, for drawing and hit tests.
struct SceneRig {
  SceneRig();
  // One frame: the layers' update, then drawn.
  void frame();
  std::uint32_t pixel(int x, int y) const { return device->pixelAt(x, y); }

  std::unique_ptr<GraphicsDevice> device;
  MouseState mouse;
  ScriptRandom random;
  std::unique_ptr<Scene> scene;
};

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
