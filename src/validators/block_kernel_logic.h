// The block kernels' logic, written once over a 64-byte block type `B` and
// compiled by each instruction set's kernel file for its own type. That file
// defines CODVET_KERNEL_TARGET (the target attribute its functions need, so
// that the rest of the program runs on any processor of the family) and its
// block type, then includes this header once; everything here has internal
// linkage, so no two files share a function compiled for different targets.
//
// The block type offers, as static members:
//   B Load(const std::uint8_t* p), B Splat(int byte), B Sub(B, B), B Xor(B, B),
//   B And(B, B): loads 64 bytes, and byte-wise arithmetic;
//   Flags: one yes or no per byte, from Eq(B, B), AtLeast(B x, B low)
//   (unsigned) and High(B) (bytes from 0x80), combined by Or, And and
//   AndNot(a, b) (a and not b), and turned by Mask(Flags) into a uint64 with
//   bit i for byte i;
//   bool AllAscii(B): no byte from 0x80;
//   Table: 128 bytes loaded by LoadTable, looked up at the seven low bits of
//   each byte by Lookup, or at the six low bits in its first 64 by Lookup64.
// The bytes after a block's own (the second byte of a pair at its last byte,
// an escape's tail) are read by loading from one or two bytes further on.
// What follows from the bit masks is plain C++ in block_masks.h.
#ifndef SRC_VALIDATORS_BLOCK_KERNEL_LOGIC_H_
#define SRC_VALIDATORS_BLOCK_KERNEL_LOGIC_H_

#include <cstdint>

#include "validators/block_kernels.h"
#include "validators/block_masks.h"
#include "validators/encoding_basics.h"

#ifndef CODVET_KERNEL_TARGET
#error "a kernel file defines CODVET_KERNEL_TARGET before it includes block_kernel_logic.h"
#endif

namespace codvet {
namespace {

// Bytes of `x` outside the `count` values from `low` on (all when count is 0).
template <typename B>
CODVET_KERNEL_TARGET inline typename B::Flags Outside(B x, B low, B count) {
  return B::AtLeast(B::Sub(x, low), count);
}

// Bytes of `x` from `low` to `high`.
template <typename B>
CODVET_KERNEL_TARGET inline std::uint64_t Within(B x, int low, int high) {
  return ~B::Mask(Outside(x, B::Splat(low), B::Splat(high - low + 1)));
}

template <typename B>
struct RangeTables {
  typename B::Table low;
  typename B::Table count;
};

template <typename B>
CODVET_KERNEL_TARGET inline void LoadRanges(const PairRanges& ranges, RangeTables<B>& tables) {
  B::LoadTable(ranges.low, tables.low);
  B::LoadTable(ranges.count, tables.count);
}

// Bytes of `second` that are no second byte, in its range, of the first byte
// at the same position in `first` (seven low bits as the index).
template <typename B>
CODVET_KERNEL_TARGET inline typename B::Flags OutsideRange(const RangeTables<B>& r, B first,
                                                           B second) {
  return Outside(second, B::Lookup(r.low, first), B::Lookup(r.count, first));
}

// Character boundaries in Shift_JIS and EUC-JP follow from the bytes that can
// open or continue a pair: a byte outside that class always ends a character
// (block_masks::PairStarts). Each block reads one byte past itself, the
// second byte of a pair that starts at its last byte, and passes up to its
// first character that the summary does not vouch for. Blocks stand at fixed
// steps of 64, a pair across the edge carried as one bit, so that no load
// waits for the block before it to be judged.
template <typename B>
CODVET_KERNEL_TARGET const std::uint8_t* PassShiftJis(const std::uint8_t* p,
                                                      const std::uint8_t* end,
                                                      const ShiftJisSummary& summary) {
  using Flags = typename B::Flags;
  RangeTables<B> ranges;
  LoadRanges(summary.pairs, ranges);
  const B single0Low = B::Splat(summary.singles.low[0]);
  const B single0Count = B::Splat(summary.singles.count[0]);
  const B single1Low = B::Splat(summary.singles.low[1]);
  const B single1Count = B::Splat(summary.singles.count[1]);
  // Whether the block's first byte is the second of a pair passed already.
  std::uint64_t carry = 0;
  while (end - p > kBlockSize) {
    B x = B::Load(p);
    Flags badSingle =
        B::And(Outside(x, single0Low, single0Count), Outside(x, single1Low, single1Count));
    // ASCII alone, the commonest block of all, needs only the single bytes.
    if (B::AllAscii(x) && B::Mask(badSingle) == 0) {
      carry = 0;
      p += kBlockSize;
      continue;
    }
    B next = B::Load(p + 1);
    // Lead bytes: 0x81-0x9F and 0xE0-0xFC.
    std::uint64_t open = ~B::Mask(B::And(Outside(x, B::Splat(0x81), B::Splat(0x1F)),
                                         Outside(x, B::Splat(0xE0), B::Splat(0x1D))));
    std::uint64_t lead = block_masks::PairStarts(open >> carry) << carry;
    std::uint64_t single = ~(lead | lead << 1 | carry);
    // The table's first 64 entries, by the lead byte's six low bits.
    Flags badPair = B::Or(Outside(next, B::Lookup64(ranges.low, x), B::Lookup64(ranges.count, x)),
                          B::Eq(next, B::Splat(0x7F)));
    std::uint64_t bad = (single & B::Mask(badSingle)) | (lead & B::Mask(badPair));
    if (bad != 0) return p + __builtin_ctzll(bad);
    carry = lead >> 63;
    p += kBlockSize;
  }
  return p + carry;
}

// JIS X 0208 pairs with both high bits set (the table has no row for any
// other first byte), or SS2 and a kana byte; bytes below 0x80 are ASCII.
template <typename B>
CODVET_KERNEL_TARGET const std::uint8_t* PassEucJp(const std::uint8_t* p, const std::uint8_t* end,
                                                   const PairRanges& rows) {
  RangeTables<B> ranges;
  LoadRanges(rows, ranges);
  // Whether the block's first byte is the second of a pair passed already
  // (never so for a block of ASCII).
  std::uint64_t carry = 0;
  while (end - p > kBlockSize) {
    B x = B::Load(p);
    if (B::AllAscii(x)) {
      carry = 0;
      p += kBlockSize;
      continue;
    }
    B next = B::Load(p + 1);
    std::uint64_t lead = block_masks::PairStarts(B::Mask(B::High(x)) >> carry) << carry;
    typename B::Flags badJis = OutsideRange(ranges, x, B::Xor(next, B::Splat(0x80)));
    typename B::Flags kana =
        B::AndNot(B::Eq(x, B::Splat(0x8E)), Outside(next, B::Splat(0xA1), B::Splat(0x3F)));
    std::uint64_t bad = lead & B::Mask(B::AndNot(badJis, kana));
    if (bad != 0) return p + __builtin_ctzll(bad);
    carry = lead >> 63;
    p += kBlockSize;
  }
  return p + carry;
}

// An escape at the block's last bytes is read whole from the two after it.
// Blocks stand at fixed steps of 64, the bytes of a pair or escape across
// the edge carried as a count.
template <typename B>
CODVET_KERNEL_TARGET const std::uint8_t* PassIso2022Jp(const std::uint8_t* p,
                                                       const std::uint8_t* end,
                                                       const PairRanges& rows, Iso2022Mode& mode) {
  RangeTables<B> ranges;
  LoadRanges(rows, ranges);
  const B escape = B::Splat(0x1B);
  int skip = 0;
  while (end - p >= kBlockSize + 2) {
    B x = B::Load(p);
    std::uint64_t escapes = B::Mask(B::Eq(x, escape));
    if (escapes == 0 && mode == Iso2022Mode::Ascii) {
      skip = 0;
      p += kBlockSize;
      continue;
    }
    B next = B::Load(p + 1);
    B third = B::Load(p + 2);
    std::uint64_t endsInB = escapes & B::Mask(B::Eq(third, B::Splat('B')));
    std::uint64_t toAscii = endsInB & B::Mask(B::Eq(next, B::Splat('(')));
    std::uint64_t toJis = endsInB & B::Mask(B::Eq(next, B::Splat('$')));
    // Each position's byte and the next as a pair, high bits ignored; the
    // table has no row below 0x21, so control bytes open no pair.
    std::uint64_t badPairs = B::Mask(OutsideRange(ranges, x, B::And(next, B::Splat(0x7F))));
    bool fault;
    int passed =
        block_masks::Iso2022JpBlockPass(escapes, toAscii, toJis, badPairs, skip, mode, fault);
    if (fault) return p + passed;
    skip = passed - static_cast<int>(kBlockSize);
    p += kBlockSize;
  }
  return p + skip;
}

template <typename B>
CODVET_KERNEL_TARGET inline std::uint64_t AtLeast(B x, int low) {
  return B::Mask(B::AtLeast(x, B::Splat(low)));
}

// Accepts only sequences whose following bytes are 0x80-0xBF, so that
// boundaries are plain to see; the other forms are the scalar path's. Blocks
// stand at fixed steps of 64: a sequence cut by a block's end is carried as
// the positions the next block must have following bytes at (and whether it
// was 0xED, whose next byte must be below 0xA0), so that no load waits for
// the block before it to be judged.
template <typename B>
CODVET_KERNEL_TARGET const std::uint8_t* PassUtf8(const std::uint8_t* p, const std::uint8_t* end) {
  std::uint64_t carried = 0;
  std::uint64_t carriedEd = 0;
  const std::uint8_t* cutStart = p;  // where the carried sequence starts
  while (end - p >= kBlockSize) {
    B x = B::Load(p);
    if (carried == 0 && B::AllAscii(x)) {
      p += kBlockSize;
      continue;
    }
    std::uint64_t lead2 = AtLeast(x, 0xC0);
    std::uint64_t lead3 = AtLeast(x, 0xE0);
    std::uint64_t lead4 = AtLeast(x, 0xF0);
    std::uint64_t lead5 = AtLeast(x, 0xF8);
    std::uint64_t following = B::Mask(B::High(x)) & ~lead2;
    std::uint64_t ed = B::Mask(B::Eq(x, B::Splat(0xED)));
    // Where a following byte must stand.
    std::uint64_t expected = lead2 << 1 | lead3 << 2 | lead4 << 3 | lead5 << 4 | carried;
    std::uint64_t bad =
        AtLeast(x, 0xFC) | (expected ^ following) | ((ed << 1 | carriedEd) & AtLeast(x, 0xA0));
    if (bad != 0) {
      // Where no sequence reaches the first fault, right there; otherwise at
      // the start of the sequence that does.
      int at = __builtin_ctzll(bad);
      if ((expected >> at & 1) == 0) return p + at;
      std::uint64_t before = ~following & ((std::uint64_t{1} << at) - 1);
      return before != 0 ? p + block_masks::HighestBit(before) : cutStart;
    }
    carried = lead2 >> 63 | lead3 >> 62 | lead4 >> 61 | lead5 >> 60;
    carriedEd = ed >> 63;
    if (carried != 0) cutStart = p + block_masks::HighestBit(lead2);
    p += kBlockSize;
  }
  return carried != 0 ? cutStart : p;
}

// For each first byte from 0xC0 (six low bits as the index), the second
// bytes RFC 3629 allows after it; none after C0, C1 and F5-FF.
struct StrictUtf8Seconds {
  PairRanges ranges;
  constexpr StrictUtf8Seconds() : ranges() {
    for (int b = 0xC2; b < 0xF5; ++b) {
      ranges.low[b & 0x3F] = 0x80;
      ranges.count[b & 0x3F] = 0x40;
    }
    ranges.low[0xE0 & 0x3F] = 0xA0;
    ranges.count[0xE0 & 0x3F] = 0x20;
    ranges.count[0xED & 0x3F] = 0x20;
    ranges.low[0xF0 & 0x3F] = 0x90;
    ranges.count[0xF0 & 0x3F] = 0x30;
    ranges.count[0xF4 & 0x3F] = 0x10;
  }
};
constexpr StrictUtf8Seconds kStrictUtf8Seconds;

// PassUtf8 under RFC 3629: the same structure with four bytes at most, and
// each first byte's second byte judged against its range in one lookup (the
// pair kernels' range tables). The second byte is read one byte further on,
// so a sequence cut by the block's end needs only its positions carried.
template <typename B>
CODVET_KERNEL_TARGET const std::uint8_t* PassUtf8Strict(const std::uint8_t* p,
                                                        const std::uint8_t* end) {
  RangeTables<B> ranges;
  LoadRanges(kStrictUtf8Seconds.ranges, ranges);
  std::uint64_t carried = 0;
  const std::uint8_t* cutStart = p;  // where the carried sequence starts
  while (end - p > kBlockSize) {
    B x = B::Load(p);
    if (carried == 0 && B::AllAscii(x)) {
      p += kBlockSize;
      continue;
    }
    std::uint64_t lead2 = AtLeast(x, 0xC0);
    std::uint64_t lead3 = AtLeast(x, 0xE0);
    std::uint64_t lead4 = AtLeast(x, 0xF0);
    std::uint64_t following = B::Mask(B::High(x)) & ~lead2;
    B next = B::Load(p + 1);
    std::uint64_t badSecond =
        lead2 & B::Mask(Outside(next, B::Lookup64(ranges.low, x), B::Lookup64(ranges.count, x)));
    std::uint64_t expected = lead2 << 1 | lead3 << 2 | lead4 << 3 | carried;
    std::uint64_t bad = (expected ^ following) | badSecond;
    if (bad != 0) {
      int at = __builtin_ctzll(bad);
      if ((expected >> at & 1) == 0) return p + at;
      std::uint64_t before = ~following & ((std::uint64_t{1} << at) - 1);
      return before != 0 ? p + block_masks::HighestBit(before) : cutStart;
    }
    carried = lead2 >> 63 | lead3 >> 62 | lead4 >> 61;
    if (carried != 0) cutStart = p + block_masks::HighestBit(lead2);
    p += kBlockSize;
  }
  return carried != 0 ? cutStart : p;
}

// Blocks of 32 units: every surrogate in a pair (a leading one and then a
// trailing one), no 0xFFFE. Judged on each unit's high byte (odd positions
// in little-endian order, even ones in big-endian) and, for 0xFFFE, its low
// byte; passes up to the first unit it cannot vouch for, a pair cut by the
// block's end among them.
template <typename B>
CODVET_KERNEL_TARGET const std::uint8_t* PassUtf16(const std::uint8_t* p, const std::uint8_t* end,
                                                   bool bigEndian) {
  const std::uint64_t highBytes = bigEndian ? block_masks::kEvenBits : ~block_masks::kEvenBits;
  while (end - p >= kBlockSize) {
    B x = B::Load(p);
    typename B::Flags isFf = B::Eq(x, B::Splat(0xFF));
    typename B::Flags notSurrogate = Outside(x, B::Splat(0xD8), B::Splat(8));
    // Most blocks have no high byte of a surrogate nor 0xFF: one mask.
    if ((~B::Mask(B::AndNot(notSurrogate, isFf)) & highBytes) == 0) {
      p += kBlockSize;
      continue;
    }
    std::uint64_t ff = B::Mask(isFf) & highBytes;
    std::uint64_t surrogates = ~B::Mask(notSurrogate) & highBytes;
    std::uint64_t bad = 0;
    if (ff != 0) {
      std::uint64_t fe = B::Mask(B::Eq(x, B::Splat(0xFE)));
      bad = ff & (bigEndian ? fe >> 1 : fe << 1);
    }
    if (surrogates != 0) {
      std::uint64_t leading = Within(x, 0xD8, 0xDB) & highBytes;
      std::uint64_t trailing = surrogates & ~leading;
      bad |= (leading & ~(trailing >> 2)) | (trailing & ~(leading << 2));
    }
    if (bad != 0) return p + (__builtin_ctzll(bad) & ~1);
    p += kBlockSize;
  }
  return p;
}

template <typename B>
constexpr BlockKernels MakeKernels() {
  return {PassShiftJis<B>, PassEucJp<B>, PassIso2022Jp<B>,
          PassUtf8<B>,     PassUtf16<B>, PassUtf8Strict<B>};
}

}  // namespace
}  // namespace codvet

#endif  // SRC_VALIDATORS_BLOCK_KERNEL_LOGIC_H_
