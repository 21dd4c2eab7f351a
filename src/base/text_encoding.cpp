#include "base/text_encoding.h"

#include <iconv.h>

#include <cerrno>

namespace tavrik {

namespace {

// glibc's CP932 rather than SHIFT_JIS: the latter maps 0x5C to the yen sign and rejects the NEC and
// IBM extension rows that Windows-made files use.
constexpr const char* kCodePage = "CP932";

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

std::optional<std::string> convertStrict(const char* to, const char* from, std::string_view in) {
  Converter converter(to, from);
  if (!converter.valid()) return std::nullopt;
  std::string out;
  if (converter.convert(in, out) != in.size()) return std::nullopt;
  return out;
}

}  // namespace

std::optional<std::string> sjisToUtf8Strict(std::string_view sjis) {
  return convertStrict("UTF-8", kCodePage, sjis);
}

std::optional<std::string> utf8ToSjisStrict(std::string_view utf8) {
  return convertStrict(kCodePage, "UTF-8", utf8);
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
  std::string out;
  if (!converter.valid()) return std::string(sjis);
  while (!sjis.empty()) {
    const std::size_t used = converter.convert(sjis, out);
    sjis.remove_prefix(used);
    if (!sjis.empty()) {
      out += "\xEF\xBF\xBD";  // U+FFFD for the byte that has no counterpart
      sjis.remove_prefix(1);
    }
  }
  return out;
}

}  // namespace tavrik
