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

enum class ReadStatus {
  Ok,
  Missing,     // nothing at the path (or a folder on the way is missing)
  NotRegular,  // a folder, a pipe, a device or a socket; with noFollow also a symbolic link
  TooLarge,    // more than the limit, or grew past it while it was read
  Failed,      // anything else: no permission, an error while reading
};

// The bytes of a regular file of at most maxSize bytes. The file is opened without blocking, so a pipe
// or a device is refused rather than waited on or read without end; with noFollow a symbolic link in
// the last component is refused too. status, when given, says why nothing came back.
std::optional<std::string> readRegularFile(const std::filesystem::path& path, std::uintmax_t maxSize,
                                           bool noFollow, ReadStatus* status);

// The first maxSize bytes of a regular file (all of a smaller one), opened as readRegularFile opens it,
// following links; cut, when given, says whether the file held more.
std::optional<std::string> readFileStart(const std::filesystem::path& path, std::uintmax_t maxSize,
                                         bool* cut);

// readRegularFile following links, without the reason.
std::optional<std::string> readFile(const std::filesystem::path& path,
                                    std::uintmax_t maxSize = kMaxReadFileSize);

// Writes bytes into a fresh temporary file beside path, flushes it to disk and renames it over path,
// then flushes the folder. The temporary file is made anew under a unique name ("NAME.tmp-PID-XXXXXX",
// PID the writer's) and never opened through a link, so a link planted beside the target is never
// written through; a link at path itself is replaced, its target untouched. The new file gets mode
// 0666 less the umask. False, with the temporary file removed and path as it was, when any step fails.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Removes what an earlier writeFileAtomically of path left behind when its process died midway: the
// temporary files beside path whose writer is no longer running (those of earlier versions, named
// "NAME.tmpPID", too). Those of live writers stay. How many
// were removed.
int removeStaleTemporaryFiles(const std::filesystem::path& path);

}  // namespace tavrik
