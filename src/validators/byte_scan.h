// Scans over buffered bytes for the validators' fast paths: each finds where
// a run of bytes that need no further thought ends, several bytes at a time.
// They only look; consuming and reporting stay with the validators.
#ifndef SRC_VALIDATORS_BYTE_SCAN_H_
#define SRC_VALIDATORS_BYTE_SCAN_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#endif

namespace codvet {

// A run of byte values low..high, both included. Holds wraps, so low must not
// exceed high: the sets always hold the ASCII letters, so a run is found.
struct ByteRange {
  std::uint8_t low = 1;
  std::uint8_t high = 0;
  bool Holds(std::uint8_t byte) const {
    return static_cast<std::uint8_t>(byte - low) <= static_cast<std::uint8_t>(high - low);
  }
};

// Returns the first position in [p, end) whose byte lies outside `range`
// (which must not be empty), or `end`.
inline const std::uint8_t* SkipInRange(const std::uint8_t* p, const std::uint8_t* end,
                                       ByteRange range) {
#if defined(__SSE2__)
  // Subtracting low maps the range onto 0..span; max(x, span) == span then
  // holds exactly for the bytes in range.
  const __m128i low = _mm_set1_epi8(static_cast<char>(range.low));
  const __m128i span = _mm_set1_epi8(static_cast<char>(range.high - range.low));
  auto inRange = [&](const std::uint8_t* at) {
    __m128i x = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), low);
    return static_cast<std::uint64_t>(
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(x, span), span))));
  };
  // 64 bytes per step: text has runs of ASCII shorter than that, and ending
  // them all in the first step keeps the exit branch predictable.
  while (end - p >= 64) {
    std::uint64_t in =
        inRange(p) | inRange(p + 16) << 16 | inRange(p + 32) << 32 | inRange(p + 48) << 48;
    if (in != ~std::uint64_t{0}) return p + __builtin_ctzll(~in);
    p += 64;
  }
  while (end - p >= 16) {
    unsigned out = ~static_cast<unsigned>(inRange(p)) & 0xFFFF;
    if (out != 0) return p + __builtin_ctz(out);
    p += 16;
  }
#else
  // Eight bytes at a time while the whole word is in range. Adding
  // 0x80 - low sets the high bit of a byte exactly when it is >= low, and
  // adding 0x7F - high exactly when it is > high; neither carries out of a
  // byte whose own high bit is clear, and a word with a high bit set is
  // rejected anyway.
  if (range.high < 0x80) {
    const std::uint64_t ones = 0x0101010101010101u;
    const std::uint64_t highBits = ones * 0x80;
    const std::uint64_t atLeastLow = ones * static_cast<std::uint8_t>(0x80 - range.low);
    const std::uint64_t aboveHigh = ones * static_cast<std::uint8_t>(0x7F - range.high);
    while (end - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, sizeof word);
      if ((word & highBits) != 0) break;
      if (((~(word + atLeastLow) | (word + aboveHigh)) & highBits) != 0) break;
      p += 8;
    }
  }
#endif
  while (p != end && range.Holds(*p)) ++p;
  return p;
}

// Returns the first position in [p, end) that holds `value`, or `end`. Like
// memchr, but without a call's cost for the short distances of text.
inline const std::uint8_t* FindByte(const std::uint8_t* p, const std::uint8_t* end,
                                    std::uint8_t value) {
#if defined(__SSE2__)
  const __m128i wanted = _mm_set1_epi8(static_cast<char>(value));
  auto matches = [&](const std::uint8_t* at) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    return static_cast<std::uint64_t>(
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted))));
  };
  while (end - p >= 64) {
    std::uint64_t found =
        matches(p) | matches(p + 16) << 16 | matches(p + 32) << 32 | matches(p + 48) << 48;
    if (found != 0) return p + __builtin_ctzll(found);
    p += 64;
  }
  while (end - p >= 16) {
    unsigned found = static_cast<unsigned>(matches(p));
    if (found != 0) return p + __builtin_ctz(found);
    p += 16;
  }
  while (p != end && *p != value) ++p;
  return p;
#else
  const void* found = std::memchr(p, value, static_cast<std::size_t>(end - p));
  return found != nullptr ? static_cast<const std::uint8_t*>(found) : end;
#endif
}

#if defined(__x86_64__) || defined(__i386__)
// Returns how far from `p` the UTF-16 units in [p, end) are plain (neither a
// surrogate nor 0xFFFE, so valid alone), in steps of 8 units; callers take
// the rest unit by unit. Compiled for SSE2 whatever the build's baseline, so
// that the SSE kernels, chosen only where the processor has SSSE3, can use it
// in a 32-bit build too.
__attribute__((target("sse2"))) inline const std::uint8_t* SkipPlainUtf16Sse2(
    const std::uint8_t* p, const std::uint8_t* end, bool bigEndian) {
  const __m128i surrogateMask = _mm_set1_epi16(static_cast<short>(0xF800));
  const __m128i surrogates = _mm_set1_epi16(static_cast<short>(0xD800));
  const __m128i forbidden = _mm_set1_epi16(static_cast<short>(0xFFFE));
  while (end - p >= 16) {
    __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if (bigEndian) units = _mm_or_si128(_mm_slli_epi16(units, 8), _mm_srli_epi16(units, 8));
    __m128i bad = _mm_or_si128(_mm_cmpeq_epi16(_mm_and_si128(units, surrogateMask), surrogates),
                               _mm_cmpeq_epi16(units, forbidden));
    if (_mm_movemask_epi8(bad) != 0) break;
    p += 16;
  }
  return p;
}
#endif

// As SkipPlainUtf16Sse2 where the build may assume SSE2 (every x86-64 one);
// elsewhere it passes nothing.
inline const std::uint8_t* SkipPlainUtf16(const std::uint8_t* p, const std::uint8_t* end,
                                          bool bigEndian) {
#if defined(__SSE2__)
  return SkipPlainUtf16Sse2(p, end, bigEndian);
#else
  (void)end, (void)bigEndian;
  return p;
#endif
}

}  // namespace codvet

#endif  // SRC_VALIDATORS_BYTE_SCAN_H_
