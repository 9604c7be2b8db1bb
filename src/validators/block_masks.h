// The scalar half of the block kernels: what follows from the bit masks (one
// bit per byte of a 64-byte block) that each instruction set computes its own
// way. Plain C++, so every kernel file shares it.
#ifndef SRC_VALIDATORS_BLOCK_MASKS_H_
#define SRC_VALIDATORS_BLOCK_MASKS_H_

#include <cstdint>

#include "validators/encoding_basics.h"

namespace codvet {
namespace block_masks {

constexpr std::uint64_t kEvenBits = 0x5555555555555555u;

// The positions in `open` (bytes each of which may open or continue a pair,
// bit 0 at a character boundary) that open one: a byte outside `open` always
// ends a character, so each run starts at a boundary and alternates first
// and second bytes from there.
inline std::uint64_t PairStarts(std::uint64_t open) {
  std::uint64_t runStarts = open & ~(open << 1);
  // Adding a run's start bit to it clears the run: this picks the runs that
  // start at even positions.
  std::uint64_t evenRuns = open & ~(open + (runStarts & kEvenBits));
  return (evenRuns & kEvenBits) | (open & ~evenRuns & ~kEvenBits);
}

// The highest set bit of a nonzero mask.
inline int HighestBit(std::uint64_t mask) {
  return 63 - __builtin_clzll(mask);
}

// Walks an ISO-2022-JP block in `mode` (Ascii or Jis1983) from its masks:
// ESC bytes, ESC ( B and ESC $ B starts (read whole from the bytes after the
// block where they cross its end), and positions whose byte and the next are
// no pair; its first `skip` bytes (0 to 2) end a pair or escape passed
// already. Returns how far it passes: from 64 to 66 (past a pair or escape
// that ends beyond the block), or less at the first unit that is no silent
// one (then `fault` is set); `mode` is left as at that point.
inline int Iso2022JpBlockPass(std::uint64_t escapes, std::uint64_t toAscii, std::uint64_t toJis,
                              std::uint64_t badPairs, int skip, Iso2022Mode& mode, bool& fault) {
  fault = false;
  bool pairs = mode == Iso2022Mode::Jis1983;
  // Text that shifts in and out in turn is judged at once: the stretches of
  // pairs run from after each ESC $ B to the next ESC ( B, a prefix sum
  // modulo 2 of those two kinds of edge.
  if ((escapes & ~(toAscii | toJis)) == 0) {
    std::uint64_t starts = toJis << 3;  // one cut by the block's end starts none here
    std::uint64_t ends = toAscii;
    std::uint64_t both = starts & ends;  // ESC $ B ESC ( B: no pair between
    starts &= ~both;
    ends &= ~both;
    std::uint64_t inPairs = starts | ends;
    for (int shift = 1; shift < 64; shift *= 2) inPairs ^= inPairs << shift;
    if (pairs) inPairs = ~inPairs;
    std::uint64_t before = inPairs << 1 | (pairs ? 1 : 0);
    if ((starts & before) == 0 && (ends & ~before) == 0) {
      std::uint64_t leads = PairStarts(inPairs >> skip) << skip;
      // A pair cut by an escape; one cut by the block's end has its second
      // byte judged all the same.
      std::uint64_t cut = leads & ~(inPairs >> 1) & ~(std::uint64_t{1} << 63);
      if (((leads & badPairs) | cut) == 0) {
        if (escapes >> 61 != 0) {
          int last = 61 + __builtin_ctzll(escapes >> 61);
          mode = toJis >> last & 1 ? Iso2022Mode::Jis1983 : Iso2022Mode::Ascii;
          return last + 3;
        }
        mode = inPairs >> 63 != 0 ? Iso2022Mode::Jis1983 : Iso2022Mode::Ascii;
        return 64 + static_cast<int>(leads >> 63);
      }
    }
  }
  // Otherwise escape by escape, which also finds where the pass ends.
  int at = skip;
  for (;;) {
    std::uint64_t ahead = at >= 64 ? 0 : escapes & (~std::uint64_t{0} << at);
    int escape = ahead != 0 ? __builtin_ctzll(ahead) : 64;
    if (mode == Iso2022Mode::Jis1983 && at < 64) {
      std::uint64_t run = ~std::uint64_t{0} << at;
      if (escape < 64) run &= (std::uint64_t{1} << escape) - 1;
      std::uint64_t bad = badPairs & run & (at % 2 == 0 ? kEvenBits : ~kEvenBits);
      // A pair whose second byte would be the escape.
      if (escape < 64 && (escape - at) % 2 != 0) bad |= std::uint64_t{1} << (escape - 1);
      if (bad != 0) {
        fault = true;
        return __builtin_ctzll(bad);
      }
      if (escape == 64) return 64 + (64 - at) % 2;
    }
    if (escape >= 64) return at > 64 ? at : 64;
    if ((toJis >> escape & 1) != 0) {
      mode = Iso2022Mode::Jis1983;
    } else if ((toAscii >> escape & 1) != 0) {
      mode = Iso2022Mode::Ascii;
    } else {
      fault = true;
      return escape;
    }
    at = escape + 3;
  }
}

}  // namespace block_masks
}  // namespace codvet

#endif  // SRC_VALIDATORS_BLOCK_MASKS_H_
