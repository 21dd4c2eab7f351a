// Arbitrary bytes as a script: the fuzzers' targets, and the runner of every input the fuzzers once
// found that broke something.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace tavrik {

class FontLibrary;

// Writes the bytes as main.tvk into dir and compiles it.
void compileOnly(const std::uint8_t* data, std::size_t size, const std::filesystem::path& dir);

// Writes the bytes as main.tvk into dir, compiles it and, when it compiles, plays five frames headless.
void compileAndPlay(const std::uint8_t* data, std::size_t size, const std::filesystem::path& dir,
                    FontLibrary* fonts);

}  // namespace tavrik
