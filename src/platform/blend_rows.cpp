#include "platform/blend_rows.h"

#include <algorithm>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TAVRIK_BLEND_X86 1
#include <immintrin.h>
#endif

namespace tavrik::blend {

namespace {

inline std::uint32_t overPixel(std::uint32_t d, std::uint32_t s) {
  const std::uint32_t keep = 255 - (s >> 24);
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const std::uint32_t sum = ((s >> shift) & 0xFF) + mul((d >> shift) & 0xFF, keep);
    out |= (sum > 255 ? 255 : sum) << shift;
  }
  return out;
}

inline std::uint32_t fadePixel(std::uint32_t s, std::uint32_t alpha) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) out |= mul((s >> shift) & 0xFF, alpha) << shift;
  return out;
}

}  // namespace

namespace reference {

void over(std::uint32_t* dst, const std::uint32_t* src, int count) {
  for (int i = 0; i < count; ++i) dst[i] = overPixel(dst[i], src[i]);
}

void overFaded(std::uint32_t* dst, const std::uint32_t* src, int count, std::uint32_t alpha) {
  for (int i = 0; i < count; ++i) dst[i] = overPixel(dst[i], fadePixel(src[i], alpha));
}

void fade(std::uint32_t* dst, const std::uint32_t* src, int count, std::uint32_t alpha) {
  for (int i = 0; i < count; ++i) dst[i] = fadePixel(src[i], alpha);
}

void overSolid(std::uint32_t* dst, std::uint32_t colour, int count) {
  for (int i = 0; i < count; ++i) dst[i] = overPixel(dst[i], colour);
}

}  // namespace reference

namespace {

struct Kernels {
  void (*over)(std::uint32_t*, const std::uint32_t*, int);
  void (*overFaded)(std::uint32_t*, const std::uint32_t*, int, std::uint32_t);
  void (*fade)(std::uint32_t*, const std::uint32_t*, int, std::uint32_t);
  void (*overSolid)(std::uint32_t*, std::uint32_t, int);
  const char* name;
};

constexpr Kernels kScalar{reference::over, reference::overFaded, reference::fade, reference::overSolid,
                          "scalar"};

}  // namespace

#ifdef TAVRIK_BLEND_X86

// The same arithmetic on vectors, each pixel's channels widened to 16 bits: x * y / 255 is rounded
// exactly as above, since (t * 257) >> 16 equals ((t >> 8) + t) >> 8 for every t up to 255 * 255 + 128.
// The kernels are written once (blend_kernels.inc) over a few operations that each width defines.
namespace {

namespace sse2 {
#define TAVRIK_KERNEL inline
using V = __m128i;
constexpr int kLanes = 4;
TAVRIK_KERNEL V load(const std::uint32_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const V*>(p));
}
TAVRIK_KERNEL void store(std::uint32_t* p, V v) {
  _mm_storeu_si128(reinterpret_cast<V*>(p), v);
}
TAVRIK_KERNEL V zero() {
  return _mm_setzero_si128();
}
TAVRIK_KERNEL V broadcast(std::uint32_t pixel) {
  return _mm_set1_epi32(static_cast<int>(pixel));
}
TAVRIK_KERNEL V words(int x) {
  return _mm_set1_epi16(static_cast<short>(x));
}
TAVRIK_KERNEL V low(V x) {
  return _mm_unpacklo_epi8(x, _mm_setzero_si128());
}
TAVRIK_KERNEL V high(V x) {
  return _mm_unpackhi_epi8(x, _mm_setzero_si128());
}
TAVRIK_KERNEL V pack(V lo, V hi) {
  return _mm_packus_epi16(lo, hi);
}
TAVRIK_KERNEL V mul(V x, V y) {
  return _mm_mulhi_epu16(_mm_adds_epu16(_mm_mullo_epi16(x, y), words(0x80)), words(0x101));
}
TAVRIK_KERNEL V alphas(V x) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0xFF), 0xFF);
}
TAVRIK_KERNEL V saturatedSum(V x, V y) {
  return _mm_adds_epu8(x, y);
}
TAVRIK_KERNEL V inverse(V x) {
  return _mm_xor_si128(x, words(0xFF));
}
TAVRIK_KERNEL bool allZero(V x) {
  return _mm_movemask_epi8(_mm_cmpeq_epi32(x, _mm_setzero_si128())) == 0xFFFF;
}
TAVRIK_KERNEL bool allOpaque(V x) {
  const V a = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  return _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(x, a), a)) == 0xFFFF;
}
#include "platform/blend_kernels.inc"
#undef TAVRIK_KERNEL
}  // namespace sse2

namespace avx2 {
#define TAVRIK_KERNEL __attribute__((target("avx2"))) inline
using V = __m256i;
constexpr int kLanes = 8;
TAVRIK_KERNEL V load(const std::uint32_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const V*>(p));
}
TAVRIK_KERNEL void store(std::uint32_t* p, V v) {
  _mm256_storeu_si256(reinterpret_cast<V*>(p), v);
}
TAVRIK_KERNEL V zero() {
  return _mm256_setzero_si256();
}
TAVRIK_KERNEL V broadcast(std::uint32_t pixel) {
  return _mm256_set1_epi32(static_cast<int>(pixel));
}
TAVRIK_KERNEL V words(int x) {
  return _mm256_set1_epi16(static_cast<short>(x));
}
TAVRIK_KERNEL V low(V x) {
  return _mm256_unpacklo_epi8(x, _mm256_setzero_si256());
}
TAVRIK_KERNEL V high(V x) {
  return _mm256_unpackhi_epi8(x, _mm256_setzero_si256());
}
TAVRIK_KERNEL V pack(V lo, V hi) {
  return _mm256_packus_epi16(lo, hi);
}
TAVRIK_KERNEL V mul(V x, V y) {
  return _mm256_mulhi_epu16(_mm256_adds_epu16(_mm256_mullo_epi16(x, y), words(0x80)), words(0x101));
}
TAVRIK_KERNEL V alphas(V x) {
  return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(x, 0xFF), 0xFF);
}
TAVRIK_KERNEL V saturatedSum(V x, V y) {
  return _mm256_adds_epu8(x, y);
}
TAVRIK_KERNEL V inverse(V x) {
  return _mm256_xor_si256(x, words(0xFF));
}
TAVRIK_KERNEL bool allZero(V x) {
  return _mm256_testz_si256(x, x) != 0;
}
TAVRIK_KERNEL bool allOpaque(V x) {
  const V a = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  return _mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_and_si256(x, a), a)) == -1;
}
#include "platform/blend_kernels.inc"
#undef TAVRIK_KERNEL
}  // namespace avx2

constexpr Kernels kSse2{sse2::over, sse2::overFaded, sse2::fade, sse2::overSolid, "sse2"};
constexpr Kernels kAvx2{avx2::over, avx2::overFaded, avx2::fade, avx2::overSolid, "avx2"};

const Kernels* best() {
  return __builtin_cpu_supports("avx2") ? &kAvx2 : &kSse2;
}

bool runs(const Kernels& k) {
  return &k != &kAvx2 || __builtin_cpu_supports("avx2");
}

const Kernels* const kAll[] = {&kScalar, &kSse2, &kAvx2};

}  // namespace

#else

namespace {
const Kernels* best() {
  return &kScalar;
}
bool runs(const Kernels&) {
  return true;
}
const Kernels* const kAll[] = {&kScalar};
}  // namespace

#endif

namespace {
// Chosen once; the tests may choose again, before drawing.
const Kernels* chosen = best();
}  // namespace

void over(std::uint32_t* dst, const std::uint32_t* src, int count) {
  chosen->over(dst, src, count);
}
void overFaded(std::uint32_t* dst, const std::uint32_t* src, int count, std::uint32_t alpha) {
  chosen->overFaded(dst, src, count, alpha);
}
void fade(std::uint32_t* dst, const std::uint32_t* src, int count, std::uint32_t alpha) {
  chosen->fade(dst, src, count, alpha);
}
void overSolid(std::uint32_t* dst, std::uint32_t colour, int count) {
  chosen->overSolid(dst, colour, count);
}
const char* instructions() {
  return chosen->name;
}
bool useInstructions(std::string_view name) {
  for (const Kernels* k : kAll) {
    if (name == k->name && runs(*k)) {
      chosen = k;
      return true;
    }
  }
  return false;
}

}  // namespace tavrik::blend
