// Code page 932 <-> UTF-8, used only where text leaves the Shift-JIS world: the screen, the terminal,
// the desktop and native file names.
//
// A character that code page 932 cannot hold can still be carried in Shift-JIS as the geta escape,
// "〓{HEX}"; script_path.h describes its form. The escaped conversions write and read it; the plain
// strict ones do not.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavrik {

// Strict conversions: nothing when a byte sequence has no counterpart.
std::optional<std::string> sjisToUtf8Strict(std::string_view sjis);
std::optional<std::string> utf8ToSjisStrict(std::string_view utf8);

// UTF-8 text in Shift-JIS, where every character that code page 932 cannot hold, or would give back as
// another character, is written as the geta escape; nothing only when utf8 is not valid UTF-8.
std::optional<std::string> utf8ToSjisEscaped(std::string_view utf8);
// Strict conversion in which every geta escape stands for its character.
std::optional<std::string> sjisToUtf8Unescaped(std::string_view sjis);

// Whether s is UTF-8: no overlong forms, surrogates or values past Unicode.
bool isValidUtf8(std::string_view s);
// Appends a character's UTF-8 form.
void appendUtf8(std::string& out, char32_t c);

// UTF-8 text in Shift-JIS; a character code page 932 cannot hold becomes "？".
std::string utf8ToSjisLenient(std::string_view utf8);

// Lenient conversion for display: a byte that cannot be converted becomes U+FFFD, and a geta escape is
// shown as its character.
std::string sjisToUtf8(std::string_view sjis);

}  // namespace tavrik
