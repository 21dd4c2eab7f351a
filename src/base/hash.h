// A stable 64-bit hash of bytes: the identity of a compiled program and the check of stored game states.
// Multiply-and-xor in the manner of FNV-1a, eight bytes at a step so that hashing a long script costs
// little. Not a defence against forgery, only against a changed script, a cut or a damaged file; the
// same bytes give the same value on every machine and in every build.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace tavrik {

class ContentHash {
 public:
  void add(std::string_view bytes) {
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
      std::uint64_t word = 0;
      for (int k = 7; k >= 0; --k)
        word = (word << 8) | static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
      mix(word);
    }
    for (; i < bytes.size(); ++i) mix(static_cast<unsigned char>(bytes[i]));
  }
  void add(const std::uint8_t* bytes, std::size_t size) {
    add(std::string_view(reinterpret_cast<const char*>(bytes), size));
  }
  // A length before a piece, so that pieces cannot run into each other unnoticed.
  void addSized(std::string_view bytes) {
    mix(bytes.size());
    add(bytes);
  }
  std::uint64_t value() const { return hash_ ^ (hash_ >> 29); }

 private:
  void mix(std::uint64_t v) {
    hash_ ^= v;
    hash_ *= 0x100000001B3ull;
  }
  std::uint64_t hash_ = 0xCBF29CE484222325ull;
};

}  // namespace tavrik
