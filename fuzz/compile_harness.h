// Compiles arbitrary bytes as a script and plays a few frames: the fuzzer's target, and the runner of
// every input the fuzzer once found that broke something.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace tavrik {

class FontLibrary;

// Writes the bytes as main.tvk into dir, compiles it and, when it compiles, plays five frames headless.
void compileAndPlay(const std::uint8_t* data, std::size_t size, const std::filesystem::path& dir,
                    FontLibrary* fonts);

}  // namespace tavrik
