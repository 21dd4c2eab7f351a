// libFuzzer entry: every input is loaded as a picture or a sound file.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "load_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrik-load-fuzz-XXXXXX").string();
    return std::filesystem::path(::mkdtemp(pattern.data()));
  }();
  tavrik::loadFile(data, size, dir);
  return 0;
}
