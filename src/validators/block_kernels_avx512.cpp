// The AVX-512 block kernels (BW and VBMI): the AVX2 kernels' method on whole
// 64-byte blocks, with comparisons straight into bit masks and each 128-entry
// table looked up by one permutation.
#include "validators/block_kernels.h"
#include "validators/block_masks.h"
#include "validators/encoding_basics.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#define CODVET_AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi,bmi,bmi2")))

namespace codvet {

namespace {

using block_masks::PairStarts;

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
    // Both halves of the permutation the same table: six index bits.
    std::uint64_t badPair = Outside(next, _mm512_permutex2var_epi8(ranges.low[0], x, ranges.low[0]),
                                    _mm512_permutex2var_epi8(ranges.count[0], x, ranges.count[0])) |
                            _mm512_cmpeq_epi8_mask(next, Splat(0x7F));
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

CODVET_AVX512 const std::uint8_t* PassIso2022JpAvx512(const std::uint8_t* p,
                                                      const std::uint8_t* end,
                                                      const PairRanges& rows, Iso2022Mode& mode) {
  Ranges ranges;
  LoadRanges(rows, ranges);
  // An escape at the block's last byte is read whole from the two after it.
  while (end - p >= 66) {
    __m512i x = Load(p);
    std::uint64_t escapes = _mm512_cmpeq_epi8_mask(x, Splat(0x1B));
    if (escapes == 0 && mode == Iso2022Mode::Ascii) {
      p += 64;
      continue;
    }
    __m512i next = Load(p + 1);
    __m512i third = Load(p + 2);
    std::uint64_t endsInB = escapes & _mm512_cmpeq_epi8_mask(third, Splat('B'));
    std::uint64_t toAscii = endsInB & _mm512_cmpeq_epi8_mask(next, Splat('('));
    std::uint64_t toJis = endsInB & _mm512_cmpeq_epi8_mask(next, Splat('$'));
    // The table has no row below 0x21, so control bytes open no pair.
    std::uint64_t badPairs = OutsideRange(ranges, x, _mm512_and_si512(next, Splat(0x7F)));
    bool fault;
    p += block_masks::Iso2022JpBlockPass(escapes, toAscii, toJis, badPairs, mode, fault);
    if (fault) return p;
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
    bool fault;
    p += block_masks::Utf8BlockPass(
        high, AtLeast(x, 0xC0), AtLeast(x, 0xE0), AtLeast(x, 0xF0), AtLeast(x, 0xF8),
        AtLeast(x, 0xFC), _mm512_cmpeq_epi8_mask(x, Splat(0xED)), AtLeast(x, 0xA0), fault);
    if (fault) return p;
  }
  return p;
}

}  // namespace

const BlockKernels kAvx512Kernels = {PassShiftJisAvx512, PassEucJpAvx512, PassIso2022JpAvx512,
                                     PassUtf8Avx512};

}  // namespace codvet

#endif
