// Helpers shared by the tests: temporary folders, Shift-JIS text from UTF-8 literals, and a headless
// engine with its device, input and mouse.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "platform/graphics_device.h"
#include "platform/image_decoder.h"
#include "platform/input_devices.h"
#include "platform/mouse_state.h"
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

// A headless engine ready to compile and play.
struct EngineRig {
  EngineRig();
  ~EngineRig();

  // Writes the script (UTF-8 lines) into dir as name and compiles it; the error, if any.
  std::optional<ScriptError> compile(std::string_view utf8Source, std::string_view name = "main.tvk");
  // Runs frames until the script has finished (at most limit); how many ran, the last included.
  int framesUntilFinished(int limit = 10000);

  TempDir dir;
  std::unique_ptr<GraphicsDevice> device;
  InputDevices input;
  MouseState mouse;
  std::unique_ptr<ScriptEngine> engine;
};

}  // namespace tavrik::test
