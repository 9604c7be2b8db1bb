// EUC-JP.
//
// Four code sets, told apart by the first byte:
//   0x00-0x7F          one byte, always valid (no lookup);
//   0x8E (SS2) k       half-width katakana, k in 0xA1-0xDF (no lookup);
//   0x8F (SS3) r c     JIS X 0212, r and c with the high bit set, looked up
//                      without it in `secondary`;
//   any other byte, t  JIS X 0208, t with the high bit set, mapped to
//                      Shift_JIS and looked up in `primary`.
// Deliberate behaviours: the bytes after the first are consumed whatever they
// are (a line feed, an SS2 or SS3 among them) and never start a character of
// their own; SS3 reads both of its bytes before judging either, so SS3 and one
// byte at the end is a truncation whatever that byte is; a pair outside the
// 94 x 94 grid is reported like any other invalid pair.
//
// The step judges one character by the sets. The fast path passes ASCII runs
// several bytes at a time, then characters one step at a time, JIS X 0208
// pairs judged by a bit per pair; with a block kernel (block_kernels.h) whole
// 64-byte blocks of ASCII, kana and JIS X 0208 first, judged by the run of
// valid cells of each row in `primary`. What the fast path knows of
// `primary` is derived once, with the tables (code_tables.h).
#include "validators/byte_scan.h"
#include "validators/step_loop.h"

namespace codvet {

namespace {

constexpr std::uint32_t kSs2 = 0x8E;
constexpr std::uint32_t kSs3 = 0x8F;
constexpr ByteRange kAscii = {0x00, 0x7F};

struct EucJpCodec {
  struct State {};
  static constexpr std::size_t kLongest = 3;

  const CodeSet& primary;
  const CodeSet& secondary;
  const JisTables& jis;
  // Whether `jis` was derived for EUC-JP; the mapping decides otherwise.
  bool derived;

  Step Decode(const std::uint8_t* p, const std::uint8_t* end, State&) const {
    std::uint32_t b0 = p[0];
    if (b0 < 0x80) return ValidStep(1);
    std::ptrdiff_t left = end - p;
    if (b0 == kSs2) {
      if (left < 2) return CutStep(p, end, Msg::AloneSs2, kSs2);
      std::uint32_t b1 = p[1];
      return b1 >= 0xA1 && b1 <= 0xDF ? ValidStep(2)
                                      : ProblemStep(2, Msg::InvalidKanaCharacter, 0x8E00u + b1);
    }
    if (b0 == kSs3) {
      if (left < 2) return CutStep(p, end, Msg::AloneSs3, kSs3);
      std::uint32_t b1 = p[1];
      if (left < 3) return CutStep(p, end, Msg::AloneJisX0212Pair, 0x8F00u + b1);
      std::uint32_t b2 = p[2];
      if (b1 >= 0x80 && b2 >= 0x80 && secondary.Contains((b1 - 0x80) << 8 | (b2 - 0x80)))
        return ValidStep(3);
      return ProblemStep(3, Msg::InvalidJisX0212Character, 0x8F0000u + (b1 << 8) + b2);
    }
    if (left < 2) return CutStep(p, end, Msg::AloneJisX0208Pair, b0);
    std::uint32_t b1 = p[1];
    // The second byte's high bit is tested before the pair is mapped.
    bool valid = derived ? jis.pairs.Contains(b0, b1)
                         : b1 >= 0x80 && IsJisX0208Character(primary, b0 << 8 | b1);
    return valid ? ValidStep(2) : ProblemStep(2, Msg::InvalidCharacter, b0 << 8 | b1);
  }
  // ASCII runs several bytes at a time, kana and JIS X 0208 pairs read
  // straight from the buffer, pairs judged by a bit each.
  const std::uint8_t* SkipRun(const std::uint8_t* p, const std::uint8_t* stop,
                              const std::uint8_t* end, State&) const {
    if (p == end) return p;
    // Before `last` a first byte always has its next byte in the buffer.
    for (const std::uint8_t* last = end - 1; p < last && p < stop;) {
      std::uint32_t b0 = p[0];
      std::uint32_t b1 = p[1];
      if (b0 >= 0xA1) {
        if (!jis.pairs.Contains(b0, b1)) return p;  // b1 must have its high bit
        p += 2;
      } else if (b0 < 0x80) {
        p = SkipInRange(p + 1, end, kAscii);
      } else if (b0 == kSs2 && b1 >= 0xA1 && b1 <= 0xDF) {
        p += 2;
      } else {
        return p;
      }
    }
    return p;
  }
  const std::uint8_t* Block(const BlockKernels& kernels, const std::uint8_t* p,
                            const std::uint8_t* end, State&) const {
    return kernels.eucJp(p, end, jis.rows);
  }
};

}  // namespace

bool EncodingValidator::ValidateEucJp() {
  bool derived = tables->DerivedFor(Operation::EucJp);
  return RunSteps(EucJpCodec{tables->primary, tables->secondary, tables->jis, derived}, {},
                  useFastPath && derived);
}

}  // namespace codvet
