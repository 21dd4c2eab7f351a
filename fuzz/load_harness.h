// Arbitrary bytes as a picture or sound file: the load fuzzer's target, and the runner of its seeds and
// of every input it once found that broke something.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace tavrik {

// The first byte chooses what the rest is taken as: even a picture, odd a sound. The rest is written
// into dir and loaded as the player would: a picture measured, decoded within a small memory budget
// and put into an image; a sound opened and played for a moment.
void loadFile(const std::uint8_t* data, std::size_t size, const std::filesystem::path& dir);

}  // namespace tavrik
