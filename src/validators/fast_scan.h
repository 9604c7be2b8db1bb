// Scans over buffered bytes for the validators' fast paths: each finds where
// a run of bytes that need no further thought ends, several bytes at a time.
// They only look; consuming and reporting stay with the validators.
#ifndef SRC_VALIDATORS_FAST_SCAN_H_
#define SRC_VALIDATORS_FAST_SCAN_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "codeset/code_set.h"
#include "codeset/jis_to_shift_jis.h"
#include "validators/encoding_basics.h"

#if defined(__SSE2__)
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

// How many bytes the scalar fast path takes on after a block kernel stops,
// before the kernel tries again, where the kernel has been passing little.
constexpr std::ptrdiff_t kScalarAfterBlock = 32;

// Where the scalar fast path stops, taking over at `p` from a block kernel
// that passed `passed` bytes: after the one character at `p` where the kernel
// had been passing whole blocks (a rare character in text it vouches for),
// after a while where it passed little (text it cannot judge).
inline const std::uint8_t* ScalarStop(const std::uint8_t* p, const std::uint8_t* end,
                                      std::ptrdiff_t passed) {
  std::ptrdiff_t run = passed >= kBlockSize ? 1 : kScalarAfterBlock;
  return end - p > run ? p + run : end;
}

// Passes from `p` towards `end` by turns: `kernel(p)` passes whole blocks,
// then `scalar(p, stop)` takes over up to ScalarStop. Returns where the scalar
// pass stopped short (a character it cannot pass) or `end`; adds the kernel's
// bytes to `blockBytes`.
template <typename KernelPass, typename ScalarPass>
const std::uint8_t* PassByTurns(const std::uint8_t* p, const std::uint8_t* end,
                                std::int64_t& blockBytes, KernelPass kernel, ScalarPass scalar) {
  for (;;) {
    const std::uint8_t* passed = kernel(p);
    blockBytes += passed - p;
    const std::uint8_t* stop = ScalarStop(passed, end, passed - p);
    p = scalar(passed, stop);
    if (p < stop || stop == end) return p;
  }
}

// Decides when a fast path is worth trying. Where problems are dense it
// passes next to nothing and only adds its cost, so after a short pass the
// plain step runs alone for a while.
class SkipThrottle {
 public:
  // Whether to try the fast path before this plain step.
  bool Ready() { return --stepsLeft_ < 0; }
  // Counts a step that took `steps` characters at once as that many.
  void Stepped(int steps) { stepsLeft_ -= steps - 1; }
  // Takes note of how many bytes the try passed, and whether it stopped
  // only because the buffered bytes ran out (as at the start of every
  // input, before the first refill), which says nothing about the input.
  void Passed(std::ptrdiff_t bytes, bool atBufferEnd) {
    if (bytes < kShortSkip && !atBufferEnd) stepsLeft_ = kStepsAfterShortSkip;
  }

 private:
  static constexpr std::ptrdiff_t kShortSkip = 16;
  static constexpr int kStepsAfterShortSkip = 64;
  int stepsLeft_ = 0;
};

// Which pairs of JIS bytes stand for a character of a code set in Shift_JIS
// form: JisToShiftJis and CodeSet::Contains folded into one bit per pair (4
// KiB, against the 8 KiB set and the mapping), for the fast paths of the
// JIS-based encodings. The first byte's high bit is ignored; the second
// byte's is ignored too, or required (EUC-JP), as loaded.
class JisPairSet {
 public:
  enum SecondByte { kHighBitIgnored, kHighBitRequired };

  void Load(const CodeSet& shiftJis, SecondByte second) {
    std::memset(bits_, 0, sizeof bits_);
    for (std::uint32_t row = 0x21; row <= 0x7E; ++row) {
      for (std::uint32_t cell = 0x21; cell <= 0x7E; ++cell) {
        std::int32_t code = JisToShiftJis(row << 8 | cell);
        if (code == kInvalidShiftJis || !shiftJis.Contains(static_cast<std::uint32_t>(code))) {
          continue;
        }
        Add(row << 8 | cell | 0x80);
        if (second == kHighBitIgnored) Add(row << 8 | cell);
      }
    }
  }
  // Whether the pair `first`, `second` stands for a character of the set.
  bool Contains(std::uint32_t first, std::uint32_t second) const {
    std::uint32_t i = (first & 0x7F) << 8 | second;
    return (bits_[i >> 3] >> (i & 7) & 1) != 0;
  }

 private:
  void Add(std::uint32_t i) {
    bits_[i >> 3] = static_cast<std::uint8_t>(bits_[i >> 3] | 1u << (i & 7));
  }

  std::uint8_t bits_[0x8000 / 8];
};

}  // namespace codvet

#endif  // SRC_VALIDATORS_FAST_SCAN_H_
