#include "base/terminal_text.h"

namespace tavrik {

std::string terminalText(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else if (c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
      const auto code = static_cast<unsigned char>(utf8[++i]);
      out += "\\u00";
      out += kHex[code >> 4];
      out += kHex[code & 0xF];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void writeTerminalText(std::FILE* stream, std::string_view utf8) {
  const std::string shown = terminalText(utf8);
  std::fwrite(shown.data(), 1, shown.size(), stream);
}

}  // namespace tavrik
