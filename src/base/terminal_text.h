// Text on its way to a terminal (standard error, standard output): what a script, a file name or a
// variable name holds must not reach the terminal as its own control sequences.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tavrik {

// UTF-8 text with every control character but the tab and the line feed shown as an escape: a byte
// below 0x20 and DEL as "\x1b", "\x00" and so on, a C1 control (U+0080..U+009F) as "\u009b". Everything
// else, bytes that are not UTF-8 included, passes unchanged.
std::string terminalText(std::string_view utf8);

// Writes text to a stream as terminalText shows it, NUL bytes included.
void writeTerminalText(std::FILE* stream, std::string_view utf8);

}  // namespace tavrik
