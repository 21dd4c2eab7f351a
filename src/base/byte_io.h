// Little-endian bytes for what the player stores: game states, saves, the seen-waits record.
#pragma once

#include <bit>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavrik {

class ByteWriter {
 public:
  void u8(std::uint8_t v) { out_.push_back(v); }
  void u16(std::uint16_t v) { bytes(v, 2); }
  void u32(std::uint32_t v) { bytes(v, 4); }
  void u64(std::uint64_t v) { bytes(v, 8); }
  void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
  void f32(float v) { u32(std::bit_cast<std::uint32_t>(v)); }
  void flag(bool v) { u8(v ? 1 : 0); }
  void string(std::string_view s) {
    u32(static_cast<std::uint32_t>(s.size()));
    out_.insert(out_.end(), s.begin(), s.end());
  }
  std::vector<std::uint8_t>& out() { return out_; }

 private:
  void bytes(std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  std::vector<std::uint8_t> out_;
};

// Reads what ByteWriter wrote; any read past the end sets failed() and gives zeros, so that a damaged state
// is found once at the end instead of at every read.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> in) : in_(in) {}
  std::uint8_t u8() { return static_cast<std::uint8_t>(bytes(1)); }
  std::uint16_t u16() { return static_cast<std::uint16_t>(bytes(2)); }
  std::uint32_t u32() { return static_cast<std::uint32_t>(bytes(4)); }
  std::uint64_t u64() { return bytes(8); }
  std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
  float f32() { return std::bit_cast<float>(u32()); }
  bool flag() {
    const std::uint8_t v = u8();
    if (v > 1) failed_ = true;
    return v == 1;
  }
  std::string string() {
    const std::uint32_t n = u32();
    if (n > remaining()) {
      failed_ = true;
      return {};
    }
    std::string s(reinterpret_cast<const char*>(in_.data() + at_), n);
    at_ += n;
    return s;
  }
  // A count of items each at least minimumSize bytes long: one that the rest could not hold fails, so
  // that no damaged count makes a huge allocation.
  std::size_t count(std::size_t minimumSize) {
    const std::uint32_t n = u32();
    if (static_cast<std::uint64_t>(n) * minimumSize > remaining()) {
      failed_ = true;
      return 0;
    }
    return n;
  }
  std::size_t remaining() const { return in_.size() - at_; }
  bool failed() const { return failed_; }
  void fail() { failed_ = true; }

 private:
  std::uint64_t bytes(int n) {
    if (static_cast<std::size_t>(n) > remaining()) {
      failed_ = true;
      at_ = in_.size();
      return 0;
    }
    std::uint64_t v = 0;
    for (int i = 0; i < n; ++i)
      v |= static_cast<std::uint64_t>(in_[at_ + static_cast<std::size_t>(i)]) << (8 * i);
    at_ += static_cast<std::size_t>(n);
    return v;
  }
  std::span<const std::uint8_t> in_;
  std::size_t at_ = 0;
  bool failed_ = false;
};

}  // namespace tavrik
