// Writes code page 932 as the C library of the build machine converts it, as two sorted tables for the
// browser build, whose C library has no such converter:
//   cp932_table FILE
// kCp932Decode: each character code (one byte, or lead * 256 + trail) with its Unicode character;
// kCp932Encode: each Unicode character the code page writes, with its code (several characters write
// the same code, such as U+301C and U+FF5E).
#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

struct Pair {
  std::uint32_t from, to;
};

// The one character (UTF-32) of bytes in the code page; 0 with false when it converts to nothing.
bool decode(iconv_t cd, const unsigned char* bytes, std::size_t length, std::uint32_t& character) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(bytes));
  std::size_t inLeft = length;
  std::uint32_t out[4] = {};
  char* at = reinterpret_cast<char*>(out);
  std::size_t outLeft = sizeof out;
  if (iconv(cd, &in, &inLeft, &at, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) return false;
  if (sizeof out - outLeft != 4) return false;
  character = out[0];
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: cp932_table FILE\n");
    return 2;
  }
  iconv_t toUnicode = iconv_open("UTF-32LE", "CP932");
  iconv_t fromUnicode = iconv_open("CP932", "UTF-32LE");
  if (toUnicode == reinterpret_cast<iconv_t>(-1) || fromUnicode == reinterpret_cast<iconv_t>(-1)) {
    std::fprintf(stderr, "cp932_table: the C library has no CP932 converter\n");
    return 1;
  }
  std::vector<Pair> decoded, encoded;
  for (unsigned byte = 0; byte < 0x100; ++byte) {
    const unsigned char b = static_cast<unsigned char>(byte);
    std::uint32_t c = 0;
    if (decode(toUnicode, &b, 1, c)) decoded.push_back({byte, c});
  }
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead)
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      const unsigned char bytes[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
      std::uint32_t c = 0;
      if (decode(toUnicode, bytes, 2, c)) decoded.push_back({lead << 8 | trail, c});
    }
  for (std::uint32_t c = 0; c < 0x110000; ++c) {
    if (c >= 0xD800 && c < 0xE000) continue;
    iconv(fromUnicode, nullptr, nullptr, nullptr, nullptr);
    char* in = reinterpret_cast<char*>(&c);
    std::size_t inLeft = 4;
    unsigned char out[8] = {};
    char* at = reinterpret_cast<char*>(out);
    std::size_t outLeft = sizeof out;
    if (iconv(fromUnicode, &in, &inLeft, &at, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0)
      continue;
    const std::size_t length = sizeof out - outLeft;
    if (length == 1)
      encoded.push_back({c, out[0]});
    else if (length == 2)
      encoded.push_back({c, static_cast<std::uint32_t>(out[0] << 8 | out[1])});
  }
  std::FILE* file = std::fopen(argv[1], "w");
  if (!file) {
    std::perror(argv[1]);
    return 1;
  }
  std::fprintf(file, "// Made by tools/cp932 from the build machine's C library; not edited by hand.\n");
  std::fprintf(file, "constexpr CodePair kCp932Decode[] = {\n");
  for (const Pair& p : decoded) std::fprintf(file, "{0x%X,0x%X},\n", p.from, p.to);
  std::fprintf(file, "};\nconstexpr CodePair kCp932Encode[] = {\n");
  for (const Pair& p : encoded) std::fprintf(file, "{0x%X,0x%X},\n", p.from, p.to);
  std::fprintf(file, "};\n");
  return std::fclose(file) == 0 ? 0 : 1;
}
