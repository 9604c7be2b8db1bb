// The AVX2 block kernels, compiled for AVX2 function by function so that the
// rest of the program runs on any x86 processor; BestKernel picks them only
// where the processor has AVX2.
//
// Every kernel reads 64 bytes at a time into bit masks, one bit per byte.
// Character boundaries in Shift_JIS and EUC-JP follow from the bytes that can
// open or continue a pair: a byte outside that class always ends a character,
// so a run of such bytes starts at a boundary and alternates first and second
// bytes from there. A block passes up to its first character that the
// summary does not vouch for.
#include "validators/block_kernels.h"
#include "validators/block_masks.h"
#include "validators/encoding_basics.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#define CODVET_AVX2 __attribute__((target("avx2,bmi,bmi2")))

namespace codvet {

namespace {

using block_masks::PairStarts;

CODVET_AVX2 inline std::uint64_t Mask(__m256i low, __m256i high) {
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(low)) |
         static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(high))) << 32;
}

CODVET_AVX2 inline __m256i Load(const std::uint8_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

CODVET_AVX2 inline __m256i Splat(int byte) {
  return _mm256_set1_epi8(static_cast<char>(byte));
}

// Bytes of `x` at least `low` (unsigned).
CODVET_AVX2 inline __m256i AtLeast(__m256i x, __m256i low) {
  return _mm256_cmpeq_epi8(_mm256_max_epu8(x, low), x);
}

// Bytes of `x` outside the `count` values from `low` on (all when count is 0).
CODVET_AVX2 inline __m256i Outside(__m256i x, __m256i low, __m256i count) {
  return AtLeast(_mm256_sub_epi8(x, low), count);
}

// A 128-entry byte table as eight 16-entry ones, each in both lanes.
struct Table128 {
  __m256i part[8];
};

CODVET_AVX2 void LoadTable(const std::uint8_t* values, Table128& table) {
  for (int i = 0; i < 8; ++i) {
    table.part[i] = _mm256_broadcastsi128_si256(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + 16 * i)));
  }
}

// Looks up the six low bits of each byte of `x` in the table's first 64
// entries.
CODVET_AVX2 inline __m256i Lookup64(const Table128& t, __m256i x) {
  __m256i index = _mm256_and_si256(x, Splat(0x0F));
  __m256i bit4 = _mm256_slli_epi16(x, 3);  // each selector bit moved to bit 7
  __m256i bit5 = _mm256_slli_epi16(x, 2);
  __m256i low = _mm256_blendv_epi8(_mm256_shuffle_epi8(t.part[0], index),
                                   _mm256_shuffle_epi8(t.part[1], index), bit4);
  __m256i high = _mm256_blendv_epi8(_mm256_shuffle_epi8(t.part[2], index),
                                    _mm256_shuffle_epi8(t.part[3], index), bit4);
  return _mm256_blendv_epi8(low, high, bit5);
}

// Looks up the seven low bits of each byte of `x`.
CODVET_AVX2 inline __m256i Lookup(const Table128& t, __m256i x) {
  __m256i index = _mm256_and_si256(x, Splat(0x0F));
  __m256i bit4 = _mm256_slli_epi16(x, 3);  // each selector bit moved to bit 7
  __m256i bit5 = _mm256_slli_epi16(x, 2);
  __m256i bit6 = _mm256_slli_epi16(x, 1);
  __m256i r[4];
  for (int i = 0; i < 4; ++i) {
    r[i] = _mm256_blendv_epi8(_mm256_shuffle_epi8(t.part[2 * i], index),
                              _mm256_shuffle_epi8(t.part[2 * i + 1], index), bit4);
  }
  return _mm256_blendv_epi8(_mm256_blendv_epi8(r[0], r[1], bit5),
                            _mm256_blendv_epi8(r[2], r[3], bit5), bit6);
}

struct Ranges {
  Table128 low;
  Table128 count;
};

CODVET_AVX2 void LoadRanges(const PairRanges& pairs, Ranges& ranges) {
  LoadTable(pairs.low, ranges.low);
  LoadTable(pairs.count, ranges.count);
}

// Bytes of `second` that are no second byte, in its range, of the first byte
// at the same position in `first`.
CODVET_AVX2 inline __m256i OutsideRange(const Ranges& r, __m256i first, __m256i second) {
  return Outside(second, Lookup(r.low, first), Lookup(r.count, first));
}

// Lead bytes of Shift_JIS: 0x81-0x9F and 0xE0-0xFC.
CODVET_AVX2 inline __m256i ShiftJisLeads(__m256i x) {
  return _mm256_andnot_si256(
      _mm256_and_si256(Outside(x, Splat(0x81), Splat(0x1F)), Outside(x, Splat(0xE0), Splat(0x1D))),
      Splat(0xFF));
}

CODVET_AVX2 inline __m256i BadShiftJisSingles(const ShiftJisSummary& s, __m256i x) {
  return _mm256_and_si256(Outside(x, Splat(s.singles.low[0]), Splat(s.singles.count[0])),
                          Outside(x, Splat(s.singles.low[1]), Splat(s.singles.count[1])));
}

CODVET_AVX2 inline __m256i BadShiftJisPairs(const Ranges& r, __m256i x, __m256i next) {
  __m256i outside = Outside(next, Lookup64(r.low, x), Lookup64(r.count, x));
  return _mm256_or_si256(outside, _mm256_cmpeq_epi8(next, Splat(0x7F)));
}

CODVET_AVX2 const std::uint8_t* PassShiftJisAvx2(const std::uint8_t* p, const std::uint8_t* end,
                                                 const ShiftJisSummary& summary) {
  Ranges ranges;
  LoadRanges(summary.pairs, ranges);
  // Each block reads one byte past itself, the second byte of a pair that
  // starts at its last byte.
  while (end - p > 64) {
    __m256i x0 = Load(p);
    __m256i x1 = Load(p + 32);
    // ASCII alone, the commonest block of all, needs only the single bytes.
    if (_mm256_movemask_epi8(_mm256_or_si256(x0, x1)) == 0 &&
        Mask(BadShiftJisSingles(summary, x0), BadShiftJisSingles(summary, x1)) == 0) {
      p += 64;
      continue;
    }
    __m256i next0 = Load(p + 1);
    __m256i next1 = Load(p + 33);
    std::uint64_t lead = PairStarts(Mask(ShiftJisLeads(x0), ShiftJisLeads(x1)));
    std::uint64_t single = ~(lead | lead << 1);
    std::uint64_t bad =
        (single & Mask(BadShiftJisSingles(summary, x0), BadShiftJisSingles(summary, x1))) |
        (lead & Mask(BadShiftJisPairs(ranges, x0, next0), BadShiftJisPairs(ranges, x1, next1)));
    if (bad != 0) return p + __builtin_ctzll(bad);
    p += 64 + (lead >> 63);
  }
  return p;
}

// JIS X 0208 pairs with both high bits set (the table has no row for any
// other first byte), or SS2 and a kana byte.
CODVET_AVX2 inline __m256i BadEucJpPairs(const Ranges& r, __m256i x, __m256i next) {
  __m256i badJis = OutsideRange(r, x, _mm256_xor_si256(next, Splat(0x80)));
  __m256i kana = _mm256_andnot_si256(Outside(next, Splat(0xA1), Splat(0x3F)),
                                     _mm256_cmpeq_epi8(x, Splat(0x8E)));
  return _mm256_andnot_si256(kana, badJis);
}

CODVET_AVX2 const std::uint8_t* PassEucJpAvx2(const std::uint8_t* p, const std::uint8_t* end,
                                              const PairRanges& rows) {
  Ranges ranges;
  LoadRanges(rows, ranges);
  while (end - p > 64) {
    __m256i x0 = Load(p);
    __m256i x1 = Load(p + 32);
    // Bytes from 0x80 open or continue a pair; the others are ASCII.
    std::uint64_t high = Mask(x0, x1);
    if (high == 0) {
      p += 64;
      continue;
    }
    __m256i next0 = Load(p + 1);
    __m256i next1 = Load(p + 33);
    std::uint64_t lead = PairStarts(high);
    std::uint64_t bad =
        lead & Mask(BadEucJpPairs(ranges, x0, next0), BadEucJpPairs(ranges, x1, next1));
    if (bad != 0) return p + __builtin_ctzll(bad);
    p += 64 + (lead >> 63);
  }
  return p;
}

CODVET_AVX2 inline std::uint64_t Equal(__m256i x0, __m256i x1, int byte) {
  return Mask(_mm256_cmpeq_epi8(x0, Splat(byte)), _mm256_cmpeq_epi8(x1, Splat(byte)));
}

// Each position's byte and the next as a pair, high bits ignored; the table
// has no row below 0x21, so control bytes open no pair.
CODVET_AVX2 inline __m256i BadJisPairs(const Ranges& r, __m256i x, __m256i next) {
  return OutsideRange(r, x, _mm256_and_si256(next, Splat(0x7F)));
}

CODVET_AVX2 const std::uint8_t* PassIso2022JpAvx2(const std::uint8_t* p, const std::uint8_t* end,
                                                  const PairRanges& rows, Iso2022Mode& mode) {
  Ranges ranges;
  LoadRanges(rows, ranges);
  // An escape at the block's last byte is read whole from the two after it.
  while (end - p >= 66) {
    __m256i x0 = Load(p);
    __m256i x1 = Load(p + 32);
    std::uint64_t escapes = Equal(x0, x1, 0x1B);
    if (escapes == 0 && mode == Iso2022Mode::Ascii) {
      p += 64;
      continue;
    }
    __m256i next0 = Load(p + 1);
    __m256i next1 = Load(p + 33);
    __m256i third0 = Load(p + 2);
    __m256i third1 = Load(p + 34);
    std::uint64_t endsInB = escapes & Equal(third0, third1, 'B');
    std::uint64_t toAscii = endsInB & Equal(next0, next1, '(');
    std::uint64_t toJis = endsInB & Equal(next0, next1, '$');
    std::uint64_t badPairs = Mask(BadJisPairs(ranges, x0, next0), BadJisPairs(ranges, x1, next1));
    bool fault;
    p += block_masks::Iso2022JpBlockPass(escapes, toAscii, toJis, badPairs, mode, fault);
    if (fault) return p;
  }
  return p;
}

CODVET_AVX2 inline std::uint64_t AtLeast(__m256i x0, __m256i x1, int low) {
  return Mask(AtLeast(x0, Splat(low)), AtLeast(x1, Splat(low)));
}

CODVET_AVX2 const std::uint8_t* PassUtf8Avx2(const std::uint8_t* p, const std::uint8_t* end) {
  while (end - p >= 64) {
    __m256i x0 = Load(p);
    __m256i x1 = Load(p + 32);
    std::uint64_t high = Mask(x0, x1);
    if (high == 0) {
      p += 64;
      continue;
    }
    bool fault;
    p += block_masks::Utf8BlockPass(high, AtLeast(x0, x1, 0xC0), AtLeast(x0, x1, 0xE0),
                                    AtLeast(x0, x1, 0xF0), AtLeast(x0, x1, 0xF8),
                                    AtLeast(x0, x1, 0xFC), Equal(x0, x1, 0xED),
                                    AtLeast(x0, x1, 0xA0), fault);
    if (fault) return p;
  }
  return p;
}

}  // namespace

const BlockKernels kAvx2Kernels = {PassShiftJisAvx2, PassEucJpAvx2, PassIso2022JpAvx2,
                                   PassUtf8Avx2};

}  // namespace codvet

#endif
