// Script paths: Shift-JIS byte strings written with "\" as on the system the games come from.
//
// A script path names a file through components separated by "\" (found character by character, so a
// trail byte 0x5C is no separator) or "/". Each component is matched against the names in its folder as
// written, then as its UTF-8 form, then taking the one-way pairs of code page 932 as equal, then also
// ignoring ASCII case, so games made on a case-insensitive Shift-JIS file system play unchanged from a
// Linux folder whose names are UTF-8.
//
// The one-way pairs: code page 932 writes both characters of each pair as one Shift-JIS character and
// reads that back as the second, so a folder that a tool named with the first can never be found by
// converting: U+301C/U+FF5E (0x81 0x60), U+2212/U+FF0D (0x81 0x7C), U+2016/U+2225 (0x81 0x61),
// U+00A2/U+FFE0 (0x81 0x91), U+00A3/U+FFE1 (0x81 0x92), U+00AC/U+FFE2 (0x81 0xCA) and U+2014/U+2015
// (0x81 0x5C).
//
// The geta escape. A native name may hold characters that code page 932 cannot hold (or would give back
// as another character, or drop); in script form each is written as the geta mark "〓" (U+3013, Shift-JIS
// 0x81 0xAC, the mark Japanese typesetting uses for a character it cannot set) followed by "{", the code
// point in upper-case hexadecimal without leading zeros, and "}": "josé" is "jos〓{E9}". Only that form
// of a character that needs it is an escape: "〓{41}" and "〓{e9}" are text. When a component is
// matched against names on disk an escape stands for its character, and the conversions for display
// show the character. A real name that holds a literal "〓{E9}" reads the same as "é": it is still
// found when no name with the character is there, and the ambiguity is accepted as vanishingly rare.
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

// The picture file a script names: the name as written, then with ".png", ".jpg", ".jpeg", ".bmp" and
// ".gif", then the same beside the executable (moduleDirectory, a script path ending in "\"). The
// script path found, or empty.
std::string findPicture(std::string_view name, std::string_view moduleDirectory);

// The native file or folder a script path names when it is found only by ignoring the case of ASCII
// letters: as written it would be missed on a file system that tells the cases apart. Nothing when it
// matches as written (or is not there, or has wildcards).
std::optional<std::filesystem::path> foundIgnoringCase(std::string_view scriptPath);

// A native path (UTF-8, "/") in script form (Shift-JIS, "\", characters code page 932 cannot hold as
// geta escapes); nothing only when it is not valid UTF-8.
std::optional<std::string> fromNative(std::string_view native);

// A script path for messages: UTF-8 with "/" separators and escaped characters shown as themselves.
std::string toDisplay(std::string_view scriptPath);
// The same, still in Shift-JIS, for a message the compiler writes: the separators this system shows.
std::string forMessage(std::string_view scriptPath);

// The directory of the running executable with a trailing separator, native and in script form.
std::filesystem::path moduleDirectoryNative();
std::string moduleDirectory();

// Case-insensitive match of name against a pattern with "*" and "?" (both UTF-8 or both bytes). The
// one-way pairs are not taken as equal here; the walk folds both sides before it asks.
bool wildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace tavrik::paths
