// The AVX-512 block kernels (BW and VBMI): the AVX2 kernels' method on whole
// 64-byte blocks, with comparisons straight into bit masks and each 128-entry
// table looked up by one permutation.
#include "validators/block_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#define CODVET_AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi,bmi,bmi2")))

namespace codvet {

namespace {

constexpr std::uint64_t kEvenBits = 0x5555555555555555u;

// As in the AVX2 kernels: the bytes of the runs in `open` that open a pair.
inline std::uint64_t PairStarts(std::uint64_t open) {
  std::uint64_t runStarts = open & ~(open << 1);
  std::uint64_t evenRuns = open & ~(open + (runStarts & kEvenBits));
  return (evenRuns & kEvenBits) | (open & ~evenRuns & ~kEvenBits);
}

inline int HighestBit(std::uint64_t mask) {
  return 63 - __builtin_clzll(mask);
}

CODVET_AVX512 inline __m512i Load(const std::uint8_t* p) {
  return _mm512_loadu_si512(p);
}

CODVET_AVX512 inline __m512i Splat(int byte) {
  return _mm512_set1_epi8(static_cast<char>(byte));
}

CODVET_AVX512 inline std::uint64_t Outside(__m512i x, __m512i low, __m512i count) {
  return _mm512_cmpge_epu8_mask(_mm512_sub_epi8(x, low), count);
}

struct Ranges {
  __m512i low[2];
  __m512i count[2];
};

CODVET_AVX512 void LoadRanges(const PairRanges& pairs, Ranges& r) {
  for (int i = 0; i < 2; ++i) {
    r.low[i] = _mm512_loadu_si512(pairs.low + 64 * i);
    r.count[i] = _mm512_loadu_si512(pairs.count + 64 * i);
  }
}

// Bytes of `second` that are no second byte, in its range, of the first byte
// at the same position in `first` (seven low bits as the index).
CODVET_AVX512 inline std::uint64_t OutsideRange(const Ranges& r, __m512i first, __m512i second) {
  return Outside(second, _mm512_permutex2var_epi8(r.low[0], first, r.low[1]),
                 _mm512_permutex2var_epi8(r.count[0], first, r.count[1]));
}

CODVET_AVX512 const std::uint8_t* PassShiftJisAvx512(const std::uint8_t* p, const std::uint8_t* end,
                                                     const ShiftJisSummary& summary) {
  Ranges ranges;
  LoadRanges(summary.pairs, ranges);
  const __m512i single0Low = Splat(summary.singles.low[0]);
  const __m512i single0Count = Splat(summary.singles.count[0]);
  const __m512i single1Low = Splat(summary.singles.low[1]);
  const __m512i single1Count = Splat(summary.singles.count[1]);
  while (end - p > 64) {
    __m512i x = Load(p);
    std::uint64_t badSingle =
        Outside(x, single0Low, single0Count) & Outside(x, single1Low, single1Count);
    // ASCII alone, the commonest block of all, needs only the single bytes.
    if ((_mm512_movepi8_mask(x) | badSingle) == 0) {
      p += 64;
      continue;
    }
    __m512i next = Load(p + 1);
    std::uint64_t lead =
        PairStarts(~(Outside(x, Splat(0x81), Splat(0x1F)) & Outside(x, Splat(0xE0), Splat(0x1D))));
    std::uint64_t single = ~(lead | lead << 1);
    std::uint64_t badPair =
        OutsideRange(ranges, x, next) | _mm512_cmpeq_epi8_mask(next, Splat(0x7F));
    std::uint64_t bad = (single & badSingle) | (lead & badPair);
    if (bad != 0) return p + __builtin_ctzll(bad);
    p += 64 + (lead >> 63);
  }
  return p;
}

CODVET_AVX512 const std::uint8_t* PassEucJpAvx512(const std::uint8_t* p, const std::uint8_t* end,
                                                  const PairRanges& rows) {
  Ranges ranges;
  LoadRanges(rows, ranges);
  while (end - p > 64) {
    __m512i x = Load(p);
    std::uint64_t high = _mm512_movepi8_mask(x);
    if (high == 0) {
      p += 64;
      continue;
    }
    __m512i next = Load(p + 1);
    std::uint64_t lead = PairStarts(high);
    std::uint64_t badJis = OutsideRange(ranges, x, _mm512_xor_si512(next, Splat(0x80)));
    std::uint64_t kana =
        _mm512_cmpeq_epi8_mask(x, Splat(0x8E)) & ~Outside(next, Splat(0xA1), Splat(0x3F));
    std::uint64_t bad = lead & badJis & ~kana;
    if (bad != 0) return p + __builtin_ctzll(bad);
    p += 64 + (lead >> 63);
  }
  return p;
}

CODVET_AVX512 const std::uint8_t* PassJisPairsAvx512(const std::uint8_t* p, const std::uint8_t* end,
                                                     const PairRanges& rows) {
  Ranges ranges;
  LoadRanges(rows, ranges);
  while (end - p >= 64) {
    __m512i x = Load(p);
    __m512i second = _mm512_and_si512(_mm512_srli_epi16(x, 8), Splat(0x7F));
    std::uint64_t bad = kEvenBits & OutsideRange(ranges, x, second);
    if (bad != 0) return p + __builtin_ctzll(bad);
    p += 64;
  }
  return p;
}

CODVET_AVX512 inline std::uint64_t AtLeast(__m512i x, int low) {
  return _mm512_cmpge_epu8_mask(x, Splat(low));
}

CODVET_AVX512 const std::uint8_t* PassUtf8Avx512(const std::uint8_t* p, const std::uint8_t* end) {
  while (end - p >= 64) {
    __m512i x = Load(p);
    std::uint64_t high = _mm512_movepi8_mask(x);
    if (high == 0) {
      p += 64;
      continue;
    }
    std::uint64_t lead2 = AtLeast(x, 0xC0);
    std::uint64_t lead3 = AtLeast(x, 0xE0);
    std::uint64_t lead4 = AtLeast(x, 0xF0);
    std::uint64_t lead5 = AtLeast(x, 0xF8);
    std::uint64_t following = high & ~lead2;
    std::uint64_t expected = lead2 << 1 | lead3 << 2 | lead4 << 3 | lead5 << 4;
    std::uint64_t edThenA0 = _mm512_cmpeq_epi8_mask(x, Splat(0xED)) << 1 & AtLeast(x, 0xA0);
    std::uint64_t bad = AtLeast(x, 0xFC) | (expected ^ following) | edThenA0;
    if (bad != 0) {
      int at = __builtin_ctzll(bad);
      if ((expected >> at & 1) == 0) return p + at;
      std::uint64_t before = ~following & ((std::uint64_t{1} << at) - 1);
      return before == 0 ? p : p + HighestBit(before);
    }
    bool cut = (lead2 >> 63 | lead3 >> 62 | lead4 >> 61 | lead5 >> 60) != 0;
    p += cut ? HighestBit(lead2) : 64;
  }
  return p;
}

}  // namespace

const BlockKernels kAvx512Kernels = {PassShiftJisAvx512, PassEucJpAvx512, PassJisPairsAvx512,
                                     PassUtf8Avx512};

}  // namespace codvet

#endif
