#include "script/compiler/lexer.h"

#include "base/sjis_text.h"

namespace tavrik {

namespace {

// The two-byte characters a directive line narrows to one byte; 0 means the character is removed.
// Equivalent to replacing the pairs (blanks, then the signs) and then narrowing the digit and
// letter ranges in turn, done in one pass because a long game runs every line through it.
int narrowed(unsigned code) {
  switch (code) {
    case 0x8140:
      return 0;  // full-width space
    case 0x8194:
      return '#';  // ＃
    case 0x8146:
      return ':';  // ：
    case 0x8143:
      return ',';  // ，
    case 0x8181:
      return '=';  // ＝
    case 0x817B:
      return '+';  // ＋
    case 0x817C:
      return '-';  // －
    case 0x8196:
      return '*';  // ＊
    case 0x815E:
      return '/';  // ／
    case 0x8193:
      return '%';  // ％
    case 0x8184:
      return '>';  // ＞
    case 0x8183:
      return '<';  // ＜
    case 0x8149:
      return '!';  // ！
    default:
      break;
  }
  if (code >= 0x824F && code <= 0x8258) return '0' + static_cast<int>(code - 0x824F);
  if (code >= 0x8281 && code <= 0x829A) return 'a' + static_cast<int>(code - 0x8281);
  if (code >= 0x8260 && code <= 0x8279) return 'A' + static_cast<int>(code - 0x8260);
  return -1;
}

// The bytes one character (one or two bytes of a line) gives in normalizeLine's result.
std::size_t normalizedSize(std::string_view character, bool hashesRemoved) {
  const unsigned char b = static_cast<unsigned char>(character[0]);
  if (character.size() == 2) {
    const unsigned code = b * 256u + static_cast<unsigned char>(character[1]);
    if (code >= 0x8140 && code <= 0x829A) {
      const int n = narrowed(code);
      if (n == 0) return 0;
      if (n > 0) return hashesRemoved && n == '#' ? 0 : 1;
    }
    return 2;
  }
  if (b == '\t' || b == ' ') return 0;
  return hashesRemoved && b == '#' ? 0 : 1;
}

}  // namespace

std::string normalizeLine(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  for (std::size_t i = 0; i < line.size();) {
    const unsigned char b = static_cast<unsigned char>(line[i]);
    if (sjis::isLeadByte(b) && i + 1 < line.size()) {
      const unsigned code = b * 256u + static_cast<unsigned char>(line[i + 1]);
      if (code >= 0x8140 && code <= 0x829A) {
        const int n = narrowed(code);
        if (n > 0) out += static_cast<char>(n);
        if (n >= 0) {
          i += 2;
          continue;
        }
      }
      out.append(line, i, 2);
      i += 2;
      continue;
    }
    if (b != '\t' && b != ' ') out += static_cast<char>(b);
    ++i;
  }
  return out;
}

bool readsAsNumber(std::string_view text, bool integer) {
  std::size_t i = 0;
  auto digits = [&] {
    const std::size_t from = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return i > from;
  };
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  bool mantissa = digits();
  if (!integer && i < text.size() && text[i] == '.') {
    ++i;
    mantissa = digits() || mantissa;
  }
  if (!mantissa) return false;
  if (!integer && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (!digits()) return false;
  }
  return i == text.size();
}

bool isBlankOrComment(std::string_view line) {
  // Blanks, then "#" or "＃" twice, blanks allowed between them.
  int hashes = 0;
  for (std::size_t i = 0; i < line.size();) {
    const auto b = static_cast<unsigned char>(line[i]);
    const unsigned next = i + 1 < line.size() ? static_cast<unsigned char>(line[i + 1]) : 0;
    if (b == ' ' || b == '\t') {
      ++i;
    } else if (b == 0x81 && next == 0x40) {
      i += 2;
    } else if (b == '#' || (b == 0x81 && next == 0x94)) {
      if (++hashes == 2) return true;
      i += b == '#' ? 1 : 2;
    } else {
      return false;
    }
  }
  return hashes == 0;
}

int normalizedColumn(std::string_view line, std::size_t offset, bool hashesRemoved) {
  return NormalizedColumns(line, hashesRemoved).columnAt(offset);
}

int NormalizedColumns::columnAt(std::size_t offset) {
  if (offset < produced_) {
    at_ = 0;
    produced_ = 0;
    column_ = 0;
    lastGiving_ = -1;
  }
  while (at_ < line_.size()) {
    const std::size_t n = sjis::charLength(line_, at_);
    const std::size_t gives = normalizedSize(line_.substr(at_, n), hashesRemoved_);
    if (gives > 0) {
      // The walk stays on this character: the next offset may fall in it too.
      if (offset < produced_ + gives) return column_ + 1;
      produced_ += gives;
      lastGiving_ = column_;
    }
    at_ += n;
    ++column_;
  }
  return lastGiving_ + 2;
}

int firstColumn(std::string_view line) {
  int column = 1;
  for (std::size_t i = 0; i < line.size(); ++column) {
    const std::size_t n = sjis::charLength(line, i);
    if (normalizedSize(line.substr(i, n), false) > 0) return column;
    i += n;
  }
  return 1;
}

DirectiveFields splitDirective(std::string_view line) {
  return {sjis::field(line, ":", 0), sjis::field(line, ":", 1), sjis::field(line, ":", 2)};
}

}  // namespace tavrik
