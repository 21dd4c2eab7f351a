// Shift-JIS aware operations on byte strings.
//
// Script text stays in Shift-JIS bytes from the file to the commands. A byte in 0x81..0x9F or 0xE0..0xFC
// starts a two-byte character; every operation here walks strings one character at a time so a match
// never starts on a trail byte (the trail byte of "表" is 0x5C, the same byte as "\"). A lead byte that is
// the last byte of a string counts as a one-byte character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavrik::sjis {

constexpr bool isLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Length in bytes of the character starting at pos (1 or 2).
inline std::size_t charLength(std::string_view s, std::size_t pos) {
  return (isLeadByte(static_cast<unsigned char>(s[pos])) && pos + 1 < s.size()) ? 2 : 1;
}

// The characters of s as codes (a byte, or lead * 256 + trail), the first most of them.
std::vector<std::uint16_t> characterCodes(std::string_view s, std::size_t most = SIZE_MAX);
// Appends the character of a code (as characterCodes gives it) to out.
inline void appendCharacter(std::string& out, std::uint16_t code) {
  if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
  out.push_back(static_cast<char>(code & 0xFF));
}
// The edit distance between two strings of characters: insertions, deletions and replacements.
std::size_t editDistance(const std::vector<std::uint16_t>& a, const std::vector<std::uint16_t>& b);

// Smallest character-aligned position of sub in s, or -1.
long findText(std::string_view s, std::string_view sub);
// Largest character-aligned position of sub in s, or -1.
long findLastText(std::string_view s, std::string_view sub);

inline bool startsWith(std::string_view s, std::string_view p) {
  return s.substr(0, p.size()) == p;
}
// s ends with p and p starts on a character boundary.
bool endsWith(std::string_view s, std::string_view p);

std::string replaceAll(std::string_view s, std::string_view from, std::string_view to);

struct ReplacePair {
  std::string_view from;
  std::string_view to;
};
// At each position the pairs are tried in order; the first whose `from` matches is replaced.
template <std::size_t N>
std::string replacePairs(std::string_view s, const ReplacePair (&table)[N]);
std::string replacePairs(std::string_view s, const ReplacePair* table, std::size_t count);

// Field k of s split by sep (empty when there are fewer than k separators).
std::string_view field(std::string_view s, std::string_view sep, int k);
// Every field of s split by sep, in one pass: field(s, sep, k) for each k.
std::vector<std::string_view> fields(std::string_view s, std::string_view sep);

// Up to and including the last "\", or empty.
std::string_view directoryOf(std::string_view path);

// Numbers read like stream extraction in the classic locale: leading blanks, an optional sign, then
// as much of a number as is there; 0 when nothing can be read. Out-of-range values saturate.
std::int32_t parseInt(std::string_view s);
float parseFloat(std::string_view s);

template <std::size_t N>
std::string replacePairs(std::string_view s, const ReplacePair (&table)[N]) {
  return replacePairs(s, table, N);
}

}  // namespace tavrik::sjis
