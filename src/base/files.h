// Whole files in and out: reading only what is a plain file of sane size, and writing so that a crash
// or a full disk leaves the old file or the new one, never a cut one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tavrik {

// Larger files are not read: no script, settings file or saved game comes near this.
inline constexpr std::uintmax_t kMaxReadFileSize = 256u * 1024 * 1024;

// The bytes of a regular file of at most maxSize bytes; nothing when it is not one or cannot be read (a
// device or a pipe must not read forever or block).
std::optional<std::string> readFile(const std::filesystem::path& path,
                                    std::uintmax_t maxSize = kMaxReadFileSize);

// Writes bytes into a temporary file beside path, flushes it to disk and renames it over path. False,
// with nothing left behind and path as it was, when any step fails.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace tavrik
