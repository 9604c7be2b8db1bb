// Block kernels: vector code that decides for a whole block of buffered bytes
// at once, without a branch per character, whether every character in it is
// one the plain step would accept silently. They only pass blocks; at the
// first block they cannot vouch for, the validators' scalar fast path and
// plain step take over from that block's start. The kernel is chosen once per
// run from what the processor offers; the scalar path stays the definition of
// behaviour.
#ifndef SRC_VALIDATORS_BLOCK_KERNELS_H_
#define SRC_VALIDATORS_BLOCK_KERNELS_H_

#include <cstdint>

#include "codeset/code_set.h"
#include "validators/encoding_basics.h"

namespace codvet {

// The instruction sets a kernel may use: plain C++, then x86's in rising
// order (Sse is SSSE3 with SSE4.1, for its byte shuffle and blend), then
// aarch64's NEON.
enum class Kernel : int { Scalar = 0, Sse = 1, Avx2 = 2, Avx512 = 3, Neon = 4 };

// Tells whether this build has `kernel` and this processor runs it (Scalar
// always, Neon on every aarch64 processor).
bool KernelSupported(Kernel kernel);

// The fastest kernel this processor runs, detected once.
Kernel BestKernel();

// For each first byte of a pair (seven low bits as the index), one run of
// second-byte values that all make a character: the `count` values from
// `low` on (none when count is 0; at most 255).
struct PairRanges {
  std::uint8_t low[128];
  std::uint8_t count[128];
};

// What the Shift_JIS kernels know of `primary`.
struct ShiftJisSummary {
  // Indexed by lead byte & 0x3F (which tells the lead bytes apart), in the
  // first 64 entries; second bytes in Shift_JIS form, 0x7F bridged (it is
  // never a second byte a kernel accepts).
  PairRanges pairs;
  // Two runs of single bytes (outside the lead bytes) that are all valid,
  // as entries 0 (below 0x80) and 1 (from 0x80).
  PairRanges singles;
};

// Derives the Shift_JIS summary from the loaded set.
void SummarizeShiftJis(const CodeSet& primary, ShiftJisSummary& summary);

// Derives, for each JIS X 0208 row 0x21-0x7E (as index), the longest run of
// cells (seven-bit, 0x21-0x7E) that are characters of the Shift_JIS set
// `primary`; other rows get no run.
void SummarizeJisRows(const CodeSet& primary, PairRanges& rows);

// Each pass function reads from `p`, which must start a character, and
// returns how far whole blocks of characters need no report: never past
// `end`, never into a character it has not checked whole.
struct BlockKernels {
  const std::uint8_t* (*shiftJis)(const std::uint8_t* p, const std::uint8_t* end,
                                  const ShiftJisSummary& summary);
  // JIS X 0208 pairs with the high bits set, SS2 kana, single bytes below
  // 0x80; anything else (SS3 among them) ends the pass.
  const std::uint8_t* (*eucJp)(const std::uint8_t* p, const std::uint8_t* end,
                               const PairRanges& rows);
  // ISO-2022-JP from `mode` (ASCII or JIS X 0208-1983, which it updates):
  // ASCII bytes, pairs (high bits ignored) and the escapes ESC ( B and
  // ESC $ B; any other unit ends the pass.
  const std::uint8_t* (*iso2022Jp)(const std::uint8_t* p, const std::uint8_t* end,
                                   const PairRanges& rows, Iso2022Mode& mode);
  const std::uint8_t* (*utf8)(const std::uint8_t* p, const std::uint8_t* end);
  // UTF-16 units in the byte order given: no 0xFFFE, surrogates only in
  // pairs.
  const std::uint8_t* (*utf16)(const std::uint8_t* p, const std::uint8_t* end, bool bigEndian);
  // UTF-8 as RFC 3629 allows it, for the strict rules.
  const std::uint8_t* (*utf8Strict)(const std::uint8_t* p, const std::uint8_t* end);
};

// The kernels of `kernel`; the scalar ones for a kernel this build lacks.
// The scalar ones pass nothing: a validator given them takes no turns with
// them and runs its scalar fast path alone.
const BlockKernels* KernelsFor(Kernel kernel);

// The kernels of each instruction set; the vector ones are defined where the
// build targets their processor.
extern const BlockKernels kScalarKernels;
extern const BlockKernels kSseKernels;
extern const BlockKernels kAvx2Kernels;
extern const BlockKernels kAvx512Kernels;
extern const BlockKernels kNeonKernels;

}  // namespace codvet

#endif  // SRC_VALIDATORS_BLOCK_KERNELS_H_
