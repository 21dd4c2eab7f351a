// The frame's blending against its arithmetic written out channel by channel: every vector width the
// processor runs must give the same bytes, in a row's vector body and in its tail.
#include "platform/blend_rows.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tavrik {
namespace {

void checkAgainstTheArithmetic() {
  std::mt19937 random(20261210);
  auto premultiplied = [&random]() -> std::uint32_t {
    const std::uint32_t choice = random() % 8;
    if (choice == 0) return 0u;                                   // clear
    if (choice == 1) return 0xFF000000u | (random() & 0xFFFFFF);  // opaque
    const std::uint32_t a = random() & 0xFF, rgb = static_cast<std::uint32_t>(random());
    std::uint32_t texel = a << 24;
    for (int shift = 0; shift < 24; shift += 8) texel |= (((rgb >> shift) & 0xFF) * a / 255) << shift;
    return texel;
  };
  SCOPED_TRACE(blend::instructions());
  for (int round = 0; round < 2000; ++round) {
    const int count = 1 + static_cast<int>(random() % 70);
    // Runs of one kind, so that whole vectors of clear or opaque texels occur.
    std::vector<std::uint32_t> src(static_cast<std::size_t>(count)), dst(src.size());
    for (std::size_t i = 0; i < src.size(); ++i) src[i] = i % 8 && round % 3 ? src[i - 1] : premultiplied();
    for (std::uint32_t& d : dst) d = static_cast<std::uint32_t>(random());
    const std::uint32_t alpha = round % 4 == 0 ? 0xFF : static_cast<std::uint32_t>(random() & 0xFF);
    std::vector<std::uint32_t> ours = dst, expected = dst;
    blend::overFaded(ours.data(), src.data(), count, alpha);
    blend::reference::overFaded(expected.data(), src.data(), count, alpha);
    ASSERT_EQ(ours, expected) << "over, faded by " << alpha << ", " << count << " texels";
    ours = expected = dst;
    blend::over(ours.data(), src.data(), count);
    blend::reference::over(expected.data(), src.data(), count);
    ASSERT_EQ(ours, expected) << "over, " << count << " texels";
    blend::fade(ours.data(), src.data(), count, alpha);
    blend::reference::fade(expected.data(), src.data(), count, alpha);
    ASSERT_EQ(ours, expected) << "faded by " << alpha << ", " << count << " texels";
    blend::overSolid(ours.data(), src[0], count);
    blend::reference::overSolid(expected.data(), src[0], count);
    ASSERT_EQ(ours, expected) << "over, one colour " << src[0] << ", " << count << " texels";
  }
}

TEST(BlendRows, GiveTheBytesOfTheArithmeticForEveryAlphaAndRowLength) {
  const std::string best = blend::instructions();
  for (const char* name : {"scalar", "sse2", "avx2"}) {
    if (!blend::useInstructions(name)) continue;
    checkAgainstTheArithmetic();
  }
  blend::useInstructions(best);
}

}  // namespace
}  // namespace tavrik
