// Rows of premultiplied ARGB texels put onto rows of the frame, with the compositing arithmetic of the
// graphics world at large: x * y / 255 rounded as ((t >> 8) + t) >> 8 with t = x * y + 128, and sums
// held at 255. Done with the widest vector instructions the processor has; every width gives the same
// bytes.
#pragma once

#include <cstdint>
#include <string_view>

namespace tavrik::blend {

// x * y / 255, rounded, for bytes.
inline std::uint32_t mul(std::uint32_t x, std::uint32_t y) {
  const std::uint32_t t = x * y + 128;
  return ((t >> 8) + t) >> 8;
}

// Two ARGB values multiplied channel by channel: a premultiplied texel tinted by a premultiplied colour.
inline std::uint32_t multiplied(std::uint32_t a, std::uint32_t b) {
  if (b == 0xFFFFFFFFu) return a;
  return (mul(a >> 24, b >> 24) << 24) | (mul((a >> 16) & 0xFF, (b >> 16) & 0xFF) << 16) |
         (mul((a >> 8) & 0xFF, (b >> 8) & 0xFF) << 8) | mul(a & 0xFF, b & 0xFF);
}

// A straight-alpha ARGB colour premultiplied by its alpha.
inline std::uint32_t premultiplied(std::uint32_t argb) {
  const std::uint32_t a = argb >> 24;
  if (a == 0xFF) return argb;
  return (a << 24) | (mul((argb >> 16) & 0xFF, a) << 16) | (mul((argb >> 8) & 0xFF, a) << 8) |
         mul(argb & 0xFF, a);
}

// dst = src + dst * (255 - src alpha) / 255, channel by channel.
void over(std::uint32_t* dst, const std::uint32_t* src, int count);
// The same with src first multiplied by alpha / 255 (all four channels).
void overFaded(std::uint32_t* dst, const std::uint32_t* src, int count, std::uint32_t alpha);
// dst = src * alpha / 255 (all four channels): src replacing dst, faded.
void fade(std::uint32_t* dst, const std::uint32_t* src, int count, std::uint32_t alpha);
// over with every texel the one premultiplied colour.
void overSolid(std::uint32_t* dst, std::uint32_t colour, int count);

// What the functions above do, one channel at a time, for the tests to hold them to.
namespace reference {
void over(std::uint32_t* dst, const std::uint32_t* src, int count);
void overFaded(std::uint32_t* dst, const std::uint32_t* src, int count, std::uint32_t alpha);
void fade(std::uint32_t* dst, const std::uint32_t* src, int count, std::uint32_t alpha);
void overSolid(std::uint32_t* dst, std::uint32_t colour, int count);
}  // namespace reference

// The instructions in use: "avx2", "sse2" or "scalar".
const char* instructions();
// Uses the instructions named, for the tests; false, changing nothing, where the processor lacks them.
bool useInstructions(std::string_view name);

}  // namespace tavrik::blend
