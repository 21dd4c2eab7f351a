#include "compile_harness.h"

#include <fstream>

#include "base/script_path.h"
#include "script/compiler/script_compiler.h"

namespace tavrik {

void compileOnly(const std::uint8_t* data, std::size_t size, const std::filesystem::path& dir) {
  const std::filesystem::path file = dir / "main.tvk";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  compileScript(*paths::fromNative(file.string()));
}

}  // namespace tavrik
