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
//
// Fast path: before each plain step, SkipValidIso2022Jp passes over the
// buffered bytes that the plain step would accept without a word in the mode
// in force: in ASCII everything up to the next ESC, in JIS X 0201 Roman
// everything up to the next ESC or line break, under 1983 the pairs that are
// characters; and the three escape sequences that switch silently (ESC ( B,
// ESC ( J, ESC $ B) when all their bytes are buffered, setting the mode as
// the plain step would. It stops at anything else (a control byte, any other
// escape sequence, a unit cut by the buffer's end) and the plain step takes
// it from there. Under 1978 every pair is reported, so there it passes no
// character. With a block kernel (block_kernels.h), in ASCII and 1983 modes
// the skip passes whole 64-byte blocks first, escapes ESC ( B and ESC $ B
// included, judging pairs by the run of valid cells of each row in
// `primary`. What the fast path knows of `primary` is derived once, with the
// tables (code_tables.h).
#include "validators/encoding_validator.h"
#include "validators/byte_scan.h"
#include "validators/pass_by_turns.h"

namespace codvet {

namespace {

constexpr int kEscape = 0x1B;

// Returns how far from `p` the units in [p, end) need no report in `mode`:
// whole units only, never past `end`; sets `mode` as the escape sequences it
// passes say. `kKernels` says whether `kernels` is set, so that the scalar
// path alone keeps its tests to a minimum.
template <bool kKernels>
const std::uint8_t* SkipValidIso2022Jp(const std::uint8_t* p, const std::uint8_t* end,
                                       Iso2022Mode& mode, const JisTables& fast,
                                       const BlockKernels* kernels, std::int64_t& blockBytes) {
  for (;;) {
    // A kernel in use takes ASCII and JIS X 0208-1983 block by block; where
    // it stops, the scalar pass takes over for a while.
    const std::uint8_t* stop = end;
    if (kKernels && (mode == Iso2022Mode::Ascii || mode == Iso2022Mode::Jis1983) &&
        end - p > kBlockSize + 2) {
      const std::uint8_t* passed = kernels->iso2022Jp(p, end, fast.rows, mode);
      blockBytes += passed - p;
      stop = ScalarStop(passed, end, passed - p);
      p = passed;
    }
    switch (mode) {
      case Iso2022Mode::Ascii:
        p = FindByte(p, end, kEscape);
        break;
      case Iso2022Mode::JisRoman:
        while (p != end && *p != kEscape && *p != '\r' && *p != '\n') ++p;
        break;
      case Iso2022Mode::Jis1978:
        break;
      case Iso2022Mode::Jis1983:
        if (p == end) return p;
        // Stopping one byte short of the end spares a bounds test per pair.
        for (const std::uint8_t* last = end - 1;
             p < last && (!kKernels || p < stop) && p[0] >= 0x20;) {
          if (!fast.pairs.Contains(p[0], p[1])) return p;
          p += 2;
        }
        if (kKernels && p >= stop && stop != end) continue;
        break;
    }
    if (end - p < 3 || p[0] != kEscape) return p;
    if (p[1] == '(' && p[2] == 'B') {
      mode = Iso2022Mode::Ascii;
    } else if (p[1] == '(' && p[2] == 'J') {
      mode = Iso2022Mode::JisRoman;
    } else if (p[1] == '$' && p[2] == 'B') {
      mode = Iso2022Mode::Jis1983;
    } else {
      return p;
    }
    p += 3;
  }
}

}  // namespace

bool EncodingValidator::ValidateIso2022Jp() {
  output->BeginInput(displayName);
  std::int64_t offset = 0;
  bool result = true;
  Iso2022Mode mode = Iso2022Mode::Ascii;
  const JisTables& fast = tables->jis;
  const bool useFast = useFastPath && tables->DerivedFor(Operation::Iso2022Jp);
  const BlockKernels* kernels = KernelsFor(kernel);
  for (;;) {
    if (useFast) {
      std::ptrdiff_t passed = input->Skip(
          kernels != nullptr ? SkipValidIso2022Jp<true>(input->next(), input->limit(), mode, fast,
                                                        kernels, blockKernelBytes)
                             : SkipValidIso2022Jp<false>(input->next(), input->limit(), mode, fast,
                                                         kernels, blockKernelBytes));
      offset += passed;
      fastPathBytes += passed;
    }
    int first = input->ReadByte();
    if (first == ByteInput::kEnd) return result;
    if (first == kEscape) {
      int second = input->ReadByte();
      if (second == ByteInput::kEnd) return ReportTruncation(offset, Msg::IncompleteEscape, 0x1B);
      int third = input->ReadByte();
      if (third == ByteInput::kEnd) {
        return ReportTruncation(offset, Msg::IncompleteEscape, 0x1B00u + second);
      }
      if (second == '(' && third == 'B') {
        mode = Iso2022Mode::Ascii;
      } else if (second == '(' && third == 'J') {
        mode = Iso2022Mode::JisRoman;
      } else if (second == '$' && third == '@') {
        Report(offset, Msg::Jis1978Escape, 0x1B2440);
        result = false;
        mode = Iso2022Mode::Jis1978;
      } else if (second == '$' && third == 'B') {
        mode = Iso2022Mode::Jis1983;
      } else {
        Report(offset, Msg::InvalidEscape, 0x1B0000u + (second << 8) + third);
        result = false;
        mode = Iso2022Mode::Ascii;
      }
      offset += 3;
      continue;
    }
    switch (mode) {
      case Iso2022Mode::Ascii:
        offset += 1;
        continue;
      case Iso2022Mode::JisRoman:
        if (first == '\r' || first == '\n') {
          Report(offset, Msg::LineBreakInNonAscii, first);
          result = false;
        }
        offset += 1;
        continue;
      case Iso2022Mode::Jis1978:
      case Iso2022Mode::Jis1983:
        break;
    }
    if (first < 0x20) {
      Report(offset, Msg::ControlInTwoByteMode, first);
      result = false;
      offset += 1;
      continue;
    }
    int second = input->ReadByte();
    if (second == ByteInput::kEnd) return ReportTruncation(offset, Msg::AloneLeadByteJis, first);
    std::uint32_t pair = static_cast<std::uint32_t>(first << 8 | second);
    if (mode == Iso2022Mode::Jis1978) {
      Report(offset, Msg::Jis1978Character, pair);
      result = false;
    } else if (!IsJisX0208Character(pair)) {
      Report(offset, Msg::InvalidCharacter, pair);
      result = false;
    }
    offset += 2;
  }
}

}  // namespace codvet
