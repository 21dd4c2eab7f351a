// Code page 932 <-> UTF-8, used only where text leaves the Shift-JIS world: the screen, the terminal,
// the desktop and native file names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavrik {

// Strict conversions: nothing when a byte sequence has no counterpart.
std::optional<std::string> sjisToUtf8Strict(std::string_view sjis);
std::optional<std::string> utf8ToSjisStrict(std::string_view utf8);

// UTF-8 text in Shift-JIS; a character code page 932 cannot hold becomes "？".
std::string utf8ToSjisLenient(std::string_view utf8);

// Lenient conversion for display: a byte that cannot be converted becomes U+FFFD.
std::string sjisToUtf8(std::string_view sjis);

}  // namespace tavrik
