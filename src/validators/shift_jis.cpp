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
// Fast path: before each plain step, SkipValidShiftJis passes over the
// buffered characters that the plain step would accept without a word (runs
// of valid single bytes several at a time, pairs read straight from the
// buffer), judging them by the same `primary`. It stops at anything else (an
// invalid character, a pair cut by the buffer's end), which the plain step
// then handles exactly as it would have anyway. Where the skip keeps passing
// next to nothing (an input full of problems), it rests for a few dozen
// characters, which a batched step judges in the buffer with no branch per
// character, reporting its problems in order. With a block kernel (block_kernels.h) the
// skip passes whole 64-byte blocks first, judged by the run of valid second
// bytes of each lead byte in `primary`, and the scalar skip takes over at the
// first character a block's summary does not cover. What the fast path
// knows of `primary` is derived once, with the tables (code_tables.h).
#include "validators/encoding_validator.h"
#include "validators/byte_scan.h"
#include "validators/pass_by_turns.h"

namespace codvet {

namespace {

using Kind = ShiftJisTables::Kind;

// The most characters the batched plain step judges at once.
constexpr int kBatch = 64;

// Returns how far from `p` the characters in [p, end) that start before
// `stop` need no report: whole characters only, never past `end`.
// `kStopped` false means `stop` is `end`, and spares its test per character.
template <bool kStopped>
const std::uint8_t* PassShiftJis(const std::uint8_t* p, const std::uint8_t* stop,
                                 const std::uint8_t* end, const ShiftJisTables& fast,
                                 const CodeSet& primary) {
  if (p == end) return p;
  // Before `last` a lead byte always has its second byte in the buffer.
  const std::uint8_t* last = end - 1;
  while (p < last) {
    if (kStopped && p >= stop) return p;
    std::uint32_t b = *p;
    std::uint8_t kind = fast.kind[b];
    if (kind == Kind::kLead) {
      if (!primary.Contains(b << 8 | p[1])) return p;
      p += 2;
    } else if (kind == Kind::kSingle) {
      p = fast.ascii.Holds(static_cast<std::uint8_t>(b)) ? SkipInRange(p + 1, end, fast.ascii)
                                                         : p + 1;
    } else {
      return p;
    }
  }
  if (p == last && p < stop && fast.kind[*p] == Kind::kSingle) ++p;
  return p;
}

// As PassShiftJis to the end, block by block where a kernel is in use; the
// scalar pass takes each block the kernel cannot vouch for.
const std::uint8_t* SkipValidShiftJis(const std::uint8_t* p, const std::uint8_t* end,
                                      const ShiftJisTables& fast, const BlockKernels* kernels,
                                      const CodeSet& primary, std::int64_t& blockBytes) {
  if (kernels == nullptr || end - p <= kBlockSize)
    return PassShiftJis<false>(p, end, end, fast, primary);
  return PassByTurns(
      p, end, blockBytes, [&](auto* q) { return kernels->shiftJis(q, end, fast.summary); },
      [&](auto* q, auto* stop) { return PassShiftJis<true>(q, stop, end, fast, primary); });
}

}  // namespace

bool EncodingValidator::ValidateShiftJis() {
  output->BeginInput(displayName);
  std::int64_t offset = 0;
  bool result = true;
  const CodeSet& primary = tables->primary;
  const ShiftJisTables& fast = tables->shiftJis;
  const bool useFast = useFastPath && tables->DerivedFor(Operation::ShiftJis);
  const BlockKernels* kernels = KernelsFor(kernel);
  SkipThrottle throttle;
  for (;;) {
    if (useFast && throttle.Ready()) {
      std::ptrdiff_t passed = input->Skip(SkipValidShiftJis(input->next(), input->limit(), fast,
                                                            kernels, primary, blockKernelBytes));
      offset += passed;
      fastPathBytes += passed;
      throttle.Passed(passed, input->next() == input->limit());
    }
    if (useFast && input->limit() - input->next() >= 2) {
      // Whole characters in the buffer are judged in place, up to a batch
      // of them, with no branch on their kind or validity (both mispredict
      // at nearly every character of input full of problems): the problems
      // are noted as they come and reported together, in order.
      struct Problem {
        std::int64_t offset;
        std::uint32_t code;
      } problems[kBatch];
      int found = 0;
      int steps = 0;
      const std::uint8_t* p = input->next();
      for (const std::uint8_t* last = input->limit() - 1; steps < kBatch && p < last; ++steps) {
        std::uint32_t lead = fast.kind[p[0]] == Kind::kLead;
        std::uint32_t code = std::uint32_t{p[0]} << (8 * lead) | (p[1] & (0u - lead));
        problems[found] = {offset, code};
        found += !primary.Contains(code);
        offset += 1 + lead;
        p += 1 + lead;
      }
      input->Skip(p);
      throttle.Stepped(steps);
      for (int i = 0; i < found; ++i)
        Report(problems[i].offset, Msg::InvalidCharacter, problems[i].code);
      if (found != 0) result = false;
      continue;
    }
    int b1 = input->ReadByte();
    if (b1 == ByteInput::kEnd) return result;
    if (!IsShiftJisLeadByte(b1)) {
      if (!primary.Contains(b1)) {
        Report(offset, Msg::InvalidCharacter, b1);
        result = false;
      }
      offset += 1;
      continue;
    }
    int b2 = input->ReadByte();
    if (b2 == ByteInput::kEnd) return ReportTruncation(offset, Msg::AloneLeadByteSjis, b1);
    std::uint32_t code = static_cast<std::uint32_t>(b1 << 8 | b2);
    if (!primary.Contains(code)) {
      Report(offset, Msg::InvalidCharacter, code);
      result = false;
    }
    offset += 2;
  }
}

}  // namespace codvet
