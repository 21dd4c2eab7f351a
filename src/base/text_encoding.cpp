#include "base/text_encoding.h"

#if defined(__EMSCRIPTEN__)
#include <algorithm>
#include <cstdint>
#include <optional>
#else
#include <iconv.h>
#endif

#include <cerrno>

#include "base/sjis_text.h"

namespace tavrik {

namespace {

// glibc's CP932 rather than SHIFT_JIS: the latter maps 0x5C to the yen sign and rejects the NEC and
// IBM extension rows that Windows-made files use.
constexpr const char* kCodePage = "CP932";

#if defined(__EMSCRIPTEN__)
// The browser's C library has no converter for the code page: its tables are made from the build
// machine's (tools/cp932), and the conversion is done here with the same results.
struct CodePair {
  std::uint32_t from, to;
};
#include "cp932_table.inc"

template <std::size_t N>
std::optional<std::uint32_t> lookUp(const CodePair (&table)[N], std::uint32_t key) {
  const CodePair* at =
      std::lower_bound(table, table + N, key, [](const CodePair& p, std::uint32_t k) { return p.from < k; });
  if (at == table + N || at->from != key) return std::nullopt;
  return at->to;
}

bool decodeUtf8(std::string_view s, std::size_t& pos, char32_t& character);

class Converter {
 public:
  Converter(const char* to, const char*) : toCodePage_(std::string_view(to) == kCodePage) {}
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool valid() const { return true; }

  // Converts as much as possible; stops at the first sequence that cannot be converted and reports
  // how many input bytes were consumed.
  std::size_t convert(std::string_view in, std::string& out) const {
    std::size_t pos = 0;
    while (pos < in.size()) {
      if (toCodePage_) {
        std::size_t next = pos;
        char32_t character = 0;
        if (!decodeUtf8(in, next, character)) break;
        const std::optional<std::uint32_t> code = lookUp(kCp932Encode, character);
        if (!code) break;
        if (*code > 0xFF) out += static_cast<char>(*code >> 8);
        out += static_cast<char>(*code & 0xFF);
        pos = next;
        continue;
      }
      const auto lead = static_cast<unsigned char>(in[pos]);
      std::optional<std::uint32_t> character = lookUp(kCp932Decode, lead);
      std::size_t length = 1;
      if (!character && pos + 1 < in.size()) {
        character = lookUp(kCp932Decode, lead << 8 | static_cast<unsigned char>(in[pos + 1]));
        length = 2;
      }
      if (!character) break;
      appendUtf8(out, *character);
      pos += length;
    }
    return pos;
  }

 private:
  bool toCodePage_;
};
#else
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much as possible; stops at the first sequence that cannot be converted and reports
  // how many input bytes were consumed.
  std::size_t convert(std::string_view in, std::string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char buffer[1024];
    while (srcLeft > 0) {
      char* dst = buffer;
      std::size_t dstLeft = sizeof buffer;
      const std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      if (r == static_cast<std::size_t>(-1) && errno != E2BIG) break;
    }
    char* dst = buffer;
    std::size_t dstLeft = sizeof buffer;
    iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    return in.size() - srcLeft;
  }

 private:
  iconv_t cd_;
};

#endif

std::optional<std::string> convertStrict(const char* to, const char* from, std::string_view in) {
  Converter converter(to, from);
  if (!converter.valid()) return std::nullopt;
  std::string out;
  if (converter.convert(in, out) != in.size()) return std::nullopt;
  return out;
}

// 〓, the geta mark: Japanese typesetting sets it where a character cannot be set.
constexpr std::string_view kGeta = "\x81\xAC";

// Decodes the UTF-8 character at pos and moves past it; false for bytes that are not UTF-8, overlong
// forms, surrogates and values past Unicode included.
bool decodeUtf8(std::string_view s, std::size_t& pos, char32_t& character) {
  const auto b = static_cast<unsigned char>(s[pos]);
  int trail = 0;
  if (b < 0x80) {
    character = b;
  } else if ((b & 0xE0) == 0xC0) {
    trail = 1;
    character = b & 0x1F;
  } else if ((b & 0xF0) == 0xE0) {
    trail = 2;
    character = b & 0x0F;
  } else if ((b & 0xF8) == 0xF0) {
    trail = 3;
    character = b & 0x07;
  } else {
    return false;
  }
  if (pos + static_cast<std::size_t>(trail) >= s.size()) return false;
  for (int k = 1; k <= trail; ++k) {
    const auto c = static_cast<unsigned char>(s[pos + static_cast<std::size_t>(k)]);
    if ((c & 0xC0) != 0x80) return false;
    character = (character << 6) | (c & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (character < kSmallest[trail] || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF))
    return false;
  pos += static_cast<std::size_t>(trail) + 1;
  return true;
}


void appendEscape(std::string& out, char32_t c) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  char digits[8];
  int count = 0;
  do {
    digits[count++] = kDigits[c & 0xF];
    c >>= 4;
  } while (c != 0);
  out.append(kGeta).append("{");
  while (count > 0) out += digits[--count];
  out += '}';
}

// Both directions of the code page, for telling which characters it carries faithfully: several it
// writes, such as U+301C, come back as another character (0x81 0x60 reads as U+FF5E), and some it
// drops without a trace.
class RoundTrip {
 public:
  // The Shift-JIS form of UTF-8 text when the code page gives that same text back from it.
  std::optional<std::string> sjisOf(std::string_view utf8) {
    std::string sjis;
    if (toSjis_.convert(utf8, sjis) != utf8.size()) return std::nullopt;
    std::string back;
    if (toUtf8_.convert(sjis, back) != sjis.size() || back != utf8) return std::nullopt;
    return sjis;
  }

 private:
  Converter toSjis_{kCodePage, "UTF-8"};
  Converter toUtf8_{"UTF-8", kCodePage};
};

// The character of the geta escape at pos and the escape's length. Only the form utf8ToSjisEscaped
// writes is an escape (upper-case digits without leading zeros, naming a character the code page does
// not carry faithfully), so "〓{41}" or "〓{e9}" in a game's text stay as they are.
struct Escape {
  char32_t character;
  std::size_t length;
};
std::optional<Escape> escapeAt(std::string_view s, std::size_t pos, RoundTrip& codePage) {
  if (s.compare(pos, kGeta.size(), kGeta) != 0) return std::nullopt;
  std::size_t i = pos + kGeta.size();
  if (i >= s.size() || s[i] != '{') return std::nullopt;
  const std::size_t digits = ++i;
  char32_t value = 0;
  for (; i < s.size() && i - digits < 6; ++i) {
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      value = value * 16 + static_cast<char32_t>(c - '0');
    } else if (c >= 'A' && c <= 'F') {
      value = value * 16 + static_cast<char32_t>(c - 'A' + 10);
    } else {
      break;
    }
  }
  if (i == digits || s[digits] == '0' || i >= s.size() || s[i] != '}') return std::nullopt;
  if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
  std::string utf8;
  appendUtf8(utf8, value);
  if (codePage.sjisOf(utf8)) return std::nullopt;
  return Escape{value, i + 1 - pos};
}

// Hands Shift-JIS text over as plain stretches and escaped characters, in order. The walk goes a
// character at a time, so a geta mark is never read from a trail byte and the byte after it.
template <class Plain, class Escaped>
void forEachPart(std::string_view sjis, Plain plain, Escaped escaped) {
  // Nearly all text has no geta mark at all: it is one plain stretch, and no converter is opened for it.
  if (sjis.find(kGeta) == std::string_view::npos) {
    plain(sjis);
    return;
  }
  RoundTrip codePage;
  std::size_t start = 0;
  for (std::size_t i = 0; i < sjis.size();) {
    if (const std::optional<Escape> escape = escapeAt(sjis, i, codePage)) {
      plain(sjis.substr(start, i - start));
      escaped(escape->character);
      i += escape->length;
      start = i;
    } else {
      i += sjis::charLength(sjis, i);
    }
  }
  plain(sjis.substr(start));
}

// Appends the UTF-8 form of sjis, with U+FFFD for each byte that has no counterpart.
void appendLenient(Converter& converter, std::string_view sjis, std::string& out) {
  while (!sjis.empty()) {
    const std::size_t used = converter.convert(sjis, out);
    sjis.remove_prefix(used);
    if (!sjis.empty()) {
      out += "\xEF\xBF\xBD";
      sjis.remove_prefix(1);
    }
  }
}

}  // namespace

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool isValidUtf8(std::string_view s) {
  char32_t character = 0;
  for (std::size_t pos = 0; pos < s.size();)
    if (!decodeUtf8(s, pos, character)) return false;
  return true;
}

std::optional<std::string> sjisToUtf8Strict(std::string_view sjis) {
  return convertStrict("UTF-8", kCodePage, sjis);
}

std::optional<std::string> utf8ToSjisStrict(std::string_view utf8) {
  return convertStrict(kCodePage, "UTF-8", utf8);
}

std::optional<std::string> utf8ToSjisEscaped(std::string_view utf8) {
  for (std::size_t pos = 0; pos < utf8.size();) {
    char32_t character = 0;
    if (!decodeUtf8(utf8, pos, character)) return std::nullopt;
  }
  RoundTrip codePage;
  // Most text converts whole and comes back unchanged; only text that does not is taken apart.
  if (std::optional<std::string> whole = codePage.sjisOf(utf8)) return whole;
  std::string out;
  for (std::size_t pos = 0; pos < utf8.size();) {
    const std::size_t start = pos;
    char32_t character = 0;
    decodeUtf8(utf8, pos, character);
    if (std::optional<std::string> sjis = codePage.sjisOf(utf8.substr(start, pos - start)))
      out += *sjis;
    else
      appendEscape(out, character);
  }
  return out;
}

std::optional<std::string> sjisToUtf8Unescaped(std::string_view sjis) {
  std::string out;
  bool converted = true;
  forEachPart(
      sjis,
      [&](std::string_view plain) {
        std::optional<std::string> utf8 = sjisToUtf8Strict(plain);
        if (utf8)
          out += *utf8;
        else
          converted = false;
      },
      [&](char32_t character) { appendUtf8(out, character); });
  if (!converted) return std::nullopt;
  return out;
}

std::string utf8ToSjisLenient(std::string_view utf8) {
  Converter converter(kCodePage, "UTF-8");
  std::string out;
  if (!converter.valid()) return std::string(utf8);
  while (!utf8.empty()) {
    utf8.remove_prefix(converter.convert(utf8, out));
    if (utf8.empty()) break;
    out += "\x81\x48";  // ？
    // Skip the whole UTF-8 sequence that had no counterpart.
    std::size_t n = 1;
    while (n < utf8.size() && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80) ++n;
    utf8.remove_prefix(n);
  }
  return out;
}

std::string sjisToUtf8(std::string_view sjis) {
  Converter converter("UTF-8", kCodePage);
  if (!converter.valid()) return std::string(sjis);
  std::string out;
  forEachPart(
      sjis, [&](std::string_view plain) { appendLenient(converter, plain, out); },
      [&](char32_t character) { appendUtf8(out, character); });
  return out;
}

}  // namespace tavrik
