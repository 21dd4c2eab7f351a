// libFuzzer entry: every input is compiled as a script in a private temporary folder. Links the
// compiler alone: nothing of the display, fonts or sound.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "compile_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrik-fuzz-XXXXXX").string();
    return std::filesystem::path(::mkdtemp(pattern.data()));
  }();
  tavrik::compileOnly(data, size, dir);
  return 0;
}
