// libFuzzer entry: every input is compiled as a script and, when it compiles, played for a few frames
// headless, its state stored and taken back.
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "compile_harness.h"
#include "platform/glyph_font.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrik-play-fuzz-XXXXXX").string();
    return std::filesystem::path(::mkdtemp(pattern.data()));
  }();
  static std::unique_ptr<tavrik::FontLibrary> fonts = tavrik::FontLibrary::create();
  tavrik::compileAndPlay(data, size, dir, fonts.get());
  return 0;
}
