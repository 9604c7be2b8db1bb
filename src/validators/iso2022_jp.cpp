// ISO-2022-JP.
//
// Escape sequences of exactly three bytes switch the character set in force:
//   ESC ( B  ASCII              ESC $ @  JIS X 0208-1978 (warned)
//   ESC ( J  JIS X 0201 Roman   ESC $ B  JIS X 0208-1983
// They are recognised in every mode. In the two-byte modes any byte from 0x20
// up opens a pair; under 1983 the pair is mapped to Shift_JIS and looked up in
// `primary`, under 1978 every pair is warned and never looked up.
// Deliberate behaviours:
// - the second and third bytes of an escape sequence are taken as they come,
//   so a longer sequence (ESC $ ( D) is judged on its first three bytes and
//   the rest is read as data in ASCII mode;
// - the second byte of a pair is consumed whatever it is, ESC and line feeds
//   included;
// - bytes 0x80-0xFF pass in the single-byte modes, and the high bits of a
//   pair are ignored by the mapping; both are accepted on purpose.
// - warnings count as problems, so text that uses JIS X 0208-1978 never
//   validates.
// Under the strict rules the code is seven bits: a byte from 0x80 up in a
// single-byte mode, or a pair with either high bit set, is a problem of its
// own, EightBitInIso2022Jp with the byte or pair; the units stay as above
// (an escape's bytes from 0x80 up already make it invalid).
//
// The step judges one unit (a byte, a pair or an escape sequence) in the
// mode in force. The fast path passes, in ASCII, everything up to the next
// ESC; in JIS X 0201 Roman everything up to the next ESC or line break; under
// 1983 the pairs that are characters, judged by a bit per pair; then units
// one step at a time. Under 1978 every pair is reported, so there it passes
// no character. With a block kernel (block_kernels.h), in ASCII and 1983
// modes, whole 64-byte blocks first, escapes ESC ( B and ESC $ B included,
// judging pairs by the run of valid cells of each row in `primary`. What the
// fast path knows of `primary` is derived once, with the tables
// (code_tables.h).
#include "validators/byte_scan.h"
#include "validators/step_loop.h"

namespace codvet {

namespace {

constexpr std::uint32_t kEscape = 0x1B;
constexpr ByteRange kSevenBits = {0x00, 0x7F};
// How far ahead the strict rules look for bytes from 0x80 at each turn of
// the block kernel.
constexpr std::ptrdiff_t kStrictWindow = 4096;

template <bool kStrict>
struct Iso2022JpCodec {
  struct State {
    Iso2022Mode mode;
  };
  static constexpr std::size_t kLongest = 3;

  const CodeSet& primary;
  const JisTables& jis;
  // Whether `jis` was derived for ISO-2022-JP; the mapping decides otherwise.
  bool derived;

  Step Decode(const std::uint8_t* p, const std::uint8_t* end, State& state) const {
    std::uint32_t first = p[0];
    std::ptrdiff_t left = end - p;
    if (first == kEscape) {
      if (left < 2) return CutStep(p, end, Msg::IncompleteEscape, kEscape);
      std::uint32_t second = p[1];
      if (left < 3) return CutStep(p, end, Msg::IncompleteEscape, 0x1B00u + second);
      std::uint32_t third = p[2];
      if (second == '(' && third == 'B') {
        state.mode = Iso2022Mode::Ascii;
      } else if (second == '(' && third == 'J') {
        state.mode = Iso2022Mode::JisRoman;
      } else if (second == '$' && third == '@') {
        state.mode = Iso2022Mode::Jis1978;
        return ProblemStep(3, Msg::Jis1978Escape, 0x1B2440);
      } else if (second == '$' && third == 'B') {
        state.mode = Iso2022Mode::Jis1983;
      } else {
        state.mode = Iso2022Mode::Ascii;
        return ProblemStep(3, Msg::InvalidEscape, 0x1B0000u + (second << 8) + third);
      }
      return ValidStep(3);
    }
    bool singleByteMode = state.mode == Iso2022Mode::Ascii || state.mode == Iso2022Mode::JisRoman;
    if (kStrict && singleByteMode && first >= 0x80)
      return ProblemStep(1, Msg::EightBitInIso2022Jp, first);
    switch (state.mode) {
      case Iso2022Mode::Ascii:
        return ValidStep(1);
      case Iso2022Mode::JisRoman:
        return first == '\r' || first == '\n' ? ProblemStep(1, Msg::LineBreakInNonAscii, first)
                                              : ValidStep(1);
      case Iso2022Mode::Jis1978:
      case Iso2022Mode::Jis1983:
        break;
    }
    if (first < 0x20) return ProblemStep(1, Msg::ControlInTwoByteMode, first);
    if (left < 2) return CutStep(p, end, Msg::AloneLeadByteJis, first);
    std::uint32_t pair = first << 8 | p[1];
    if (kStrict && (pair & 0x8080) != 0) return ProblemStep(2, Msg::EightBitInIso2022Jp, pair);
    if (state.mode == Iso2022Mode::Jis1978) return ProblemStep(2, Msg::Jis1978Character, pair);
    bool valid = derived ? jis.pairs.Contains(first, p[1]) : IsJisX0208Character(primary, pair);
    return valid ? ValidStep(2) : ProblemStep(2, Msg::InvalidCharacter, pair);
  }
  const std::uint8_t* SkipRun(const std::uint8_t* p, const std::uint8_t* stop,
                              const std::uint8_t* end, State& state) const {
    switch (state.mode) {
      case Iso2022Mode::Ascii:
        if (kStrict) return SkipInRange(p, FindByte(p, end, kEscape), kSevenBits);
        return FindByte(p, end, kEscape);
      case Iso2022Mode::JisRoman:
        while (p != end && *p != kEscape && *p != '\r' && *p != '\n' && (!kStrict || *p < 0x80))
          ++p;
        return p;
      case Iso2022Mode::Jis1978:
        return p;
      case Iso2022Mode::Jis1983:
        // Stopping one byte short of the end spares a bounds test per pair.
        if (p == end) return p;
        for (const std::uint8_t* last = end - 1; p < last && p < stop && p[0] >= 0x20 &&
                                                 (!kStrict || ((p[0] | p[1]) & 0x80) == 0) &&
                                                 jis.pairs.Contains(p[0], p[1]);)
          p += 2;
        return p;
    }
    return p;
  }
  const std::uint8_t* Block(const BlockKernels& kernels, const std::uint8_t* p,
                            const std::uint8_t* end, State& state) const {
    if ((state.mode != Iso2022Mode::Ascii && state.mode != Iso2022Mode::Jis1983) ||
        end - p <= kBlockSize + 2)
      return p;
    // The kernel ignores high bits: under the strict rules it is given only
    // the seven-bit bytes ahead, looked for a window at a time.
    if (kStrict) {
      end = SkipInRange(p, end - p > kStrictWindow ? p + kStrictWindow : end, kSevenBits);
      if (end - p <= kBlockSize + 2) return p;
    }
    return kernels.iso2022Jp(p, end, jis.rows, state.mode);
  }
};

}  // namespace

bool EncodingValidator::ValidateIso2022Jp() {
  bool derived = tables->DerivedFor(Operation::Iso2022Jp);
  if (strict)
    return RunSteps(Iso2022JpCodec<true>{tables->primary, tables->jis, derived},
                    {Iso2022Mode::Ascii}, useFastPath && derived);
  return RunSteps(Iso2022JpCodec<false>{tables->primary, tables->jis, derived},
                  {Iso2022Mode::Ascii}, useFastPath && derived);
}

}  // namespace codvet
