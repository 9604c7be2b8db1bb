// Shift_JIS and Windows-31J.
//
// A byte from 0x81-0x9F or 0xE0-0xFC opens a two-byte character; every other
// byte stands alone. Validity is never decided here: a single byte is looked
// up as its own code and a pair as lead * 256 + trail in `primary`, which
// holds pure Shift_JIS or code page 932. Deliberate behaviours:
// - the byte after a lead byte is always its second byte, whatever it is (a
//   line feed or another lead byte included), and is never read again;
// - a lead byte at the very end is reported alone, with its own value.
//
// The step judges one character by `primary`. The fast path passes runs of
// valid single bytes several at a time, then characters one step at a time;
// with a block kernel (block_kernels.h) whole 64-byte blocks first, judged by
// the run of valid second bytes of each lead byte in `primary`. What the fast
// path knows of `primary` is derived once, with the tables (code_tables.h).
#include "validators/byte_scan.h"
#include "validators/step_loop.h"

namespace codvet {

namespace {

// IsShiftJisLeadByte for every byte.
struct LeadBytes {
  std::uint8_t is[256];
  constexpr LeadBytes() : is() {
    for (int b = 0; b < 256; ++b) is[b] = IsShiftJisLeadByte(b);
  }
};
constexpr LeadBytes kLeadBytes;

struct ShiftJisCodec {
  struct State {};
  static constexpr std::size_t kLongest = 2;

  const CodeSet& primary;
  const ShiftJisTables& fast;

  // Without a branch on the kind of the byte or the validity of the
  // character, which input full of problems would mispredict at nearly every
  // character.
  Step Decode(const std::uint8_t* p, const std::uint8_t* end, State&) const {
    std::uint32_t b1 = p[0];
    std::uint32_t lead = kLeadBytes.is[b1];
    if (lead > static_cast<std::uint32_t>(end - p - 1))
      return CutStep(p, end, Msg::AloneLeadByteSjis, b1);
    std::uint32_t code = b1 << (8 * lead) | (p[lead] & (0u - lead));
    return {static_cast<int>(1 + lead), primary.Contains(code) ? Step::kValid : Step::kProblem,
            Msg::InvalidCharacter, code};
  }
  // Runs of valid single bytes several at a time, and valid pairs read
  // straight from the buffer, judged by the same `primary`.
  const std::uint8_t* SkipRun(const std::uint8_t* p, const std::uint8_t* stop,
                              const std::uint8_t* end, State&) const {
    if (p == end) return p;
    // Before `last` a lead byte always has its second byte in the buffer.
    for (const std::uint8_t* last = end - 1; p < last && p < stop;) {
      std::uint32_t b = *p;
      std::uint8_t kind = fast.kind[b];
      if (kind == ShiftJisTables::kLead) {
        if (!primary.Contains(b << 8 | p[1])) return p;
        p += 2;
      } else if (kind == ShiftJisTables::kSingle) {
        p = fast.ascii.Holds(static_cast<std::uint8_t>(b)) ? SkipInRange(p + 1, end, fast.ascii)
                                                           : p + 1;
      } else {
        return p;
      }
    }
    return p;
  }
  const std::uint8_t* Block(const BlockKernels& kernels, const std::uint8_t* p,
                            const std::uint8_t* end, State&) const {
    return kernels.shiftJis(p, end, fast.summary);
  }
};

}  // namespace

bool EncodingValidator::ValidateShiftJis() {
  return RunSteps(ShiftJisCodec{tables->primary, tables->shiftJis}, {},
                  useFastPath && tables->DerivedFor(Operation::ShiftJis));
}

}  // namespace codvet
