// Script paths: Shift-JIS byte strings written with "\" as on the system the games come from.
//
// A script path names a file through components separated by "\" (found character by character, so a
// trail byte 0x5C is no separator) or "/". Each component is matched as written, then as its UTF-8 form,
// then case-insensitively, so games made on a case-insensitive Shift-JIS file system play unchanged
// from a Linux folder whose names are UTF-8.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tavrik::paths {

// The native file a script path names (wildcards are not expanded), or nothing.
std::optional<std::filesystem::path> resolve(std::string_view scriptPath);

// Whether a file-system search for the path finds an entry: a file or a directory, and "*" and "?" in
// the last component match names as a Windows search does.
bool exists(std::string_view scriptPath);

// A native path (UTF-8, "/") in script form (Shift-JIS, "\"); nothing when it has characters that
// code page 932 cannot hold.
std::optional<std::string> fromNative(std::string_view native);

// A script path for messages: UTF-8 with "/" separators.
std::string toDisplay(std::string_view scriptPath);

// The directory of the running executable with a trailing separator, native and in script form.
std::filesystem::path moduleDirectoryNative();
std::string moduleDirectory();

// Case-insensitive match of name against a pattern with "*" and "?" (both UTF-8 or both bytes).
bool wildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace tavrik::paths
