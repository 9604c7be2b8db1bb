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
// Fast path: before each plain step, SkipValidEucJp passes over the buffered
// characters that the plain step would accept without a word (ASCII runs
// several bytes at a time; kana, JIS X 0208 and JIS X 0212 characters read
// straight from the buffer and judged by the same sets). It stops at anything
// else, including a character cut by the buffer's end, and the plain step
// takes it from there. With a block kernel (block_kernels.h) the skip passes
// whole 64-byte blocks of ASCII, kana and JIS X 0208 first, judged by the run
// of valid cells of each row in `primary`; JIS X 0212 is left to the scalar
// skip. What the fast path knows of `primary` is derived once, with the
// tables (code_tables.h).
#include "validators/encoding_validator.h"
#include "validators/byte_scan.h"
#include "validators/pass_by_turns.h"

namespace codvet {

namespace {

constexpr int kSs2 = 0x8E;
constexpr int kSs3 = 0x8F;
constexpr ByteRange kAscii = {0x00, 0x7F};

// Returns how far from `p` the characters in [p, end) that start before
// `stop` need no report: whole characters only, never past `end`.
// `kStopped` false means `stop` is `end`, and spares its test per character.
template <bool kStopped>
const std::uint8_t* PassEucJp(const std::uint8_t* p, const std::uint8_t* stop,
                              const std::uint8_t* end, const JisPairSet& jisX0208,
                              const CodeSet& secondary) {
  if (p == end) return p;
  // Before `last` a first byte always has its next byte in the buffer.
  const std::uint8_t* last = end - 1;
  while (p < last) {
    if (kStopped && p >= stop) return p;
    std::uint32_t b0 = p[0];
    std::uint32_t b1 = p[1];
    if (b0 >= 0xA1) {
      // JIS X 0208, the commonest; 0xFF maps to nothing.
      if (!jisX0208.Contains(b0, b1)) return p;  // b1 must have its high bit
      p += 2;
    } else if (b0 < 0x80) {
      p = SkipInRange(p + 1, end, kAscii);
    } else if (b0 != kSs2 && b0 != kSs3) {
      return p;  // 0x80-0xA0 open no character
    } else if (b0 == kSs2) {
      if (b1 < 0xA1 || b1 > 0xDF) return p;
      p += 2;
    } else {
      if (end - p < 3 || b1 < 0x80 || p[2] < 0x80) return p;
      if (!secondary.Contains((b1 - 0x80) << 8 | (p[2] - 0x80u))) return p;
      p += 3;
    }
  }
  if (p == last && p < stop && *p < 0x80) ++p;
  return p;
}

// What the fast path reads, gathered for the length of one validation.
struct EucJpFastPath {
  const JisTables& jis;
  const CodeSet& secondary;
  // Null for the scalar fast path alone.
  const BlockKernels* kernels;
};

// As PassEucJp to the end, block by block where a kernel is in use; the
// scalar pass takes each block the kernel cannot vouch for.
const std::uint8_t* SkipValidEucJp(const std::uint8_t* p, const std::uint8_t* end,
                                   const EucJpFastPath& fast, std::int64_t& blockBytes) {
  if (fast.kernels == nullptr || end - p <= kBlockSize) {
    return PassEucJp<false>(p, end, end, fast.jis.pairs, fast.secondary);
  }
  return PassByTurns(
      p, end, blockBytes, [&](auto* q) { return fast.kernels->eucJp(q, end, fast.jis.rows); },
      [&](auto* q, auto* stop) {
        return PassEucJp<true>(q, stop, end, fast.jis.pairs, fast.secondary);
      });
}

}  // namespace

bool EncodingValidator::ValidateEucJp() {
  output->BeginInput(displayName);
  std::int64_t offset = 0;
  bool result = true;
  const CodeSet& secondary = tables->secondary;
  const bool useFast = useFastPath && tables->DerivedFor(Operation::EucJp);
  const EucJpFastPath fast = {tables->jis, secondary, KernelsFor(kernel)};
  for (;;) {
    if (useFast) {
      std::ptrdiff_t passed =
          input->Skip(SkipValidEucJp(input->next(), input->limit(), fast, blockKernelBytes));
      offset += passed;
      fastPathBytes += passed;
    }
    int b0 = input->ReadByte();
    if (b0 == ByteInput::kEnd) return result;
    if (b0 < 0x80) {
      offset += 1;
      continue;
    }
    int b1 = input->ReadByte();
    if (b0 == kSs2) {
      if (b1 == ByteInput::kEnd) return ReportTruncation(offset, Msg::AloneSs2, kSs2);
      if (b1 < 0xA1 || b1 > 0xDF) {
        Report(offset, Msg::InvalidKanaCharacter, 0x8E00u + b1);
        result = false;
      }
      offset += 2;
      continue;
    }
    if (b0 == kSs3) {
      if (b1 == ByteInput::kEnd) return ReportTruncation(offset, Msg::AloneSs3, kSs3);
      int b2 = input->ReadByte();
      if (b2 == ByteInput::kEnd)
        return ReportTruncation(offset, Msg::AloneJisX0212Pair, 0x8F00u + b1);
      if (b1 < 0x80 || b2 < 0x80 ||
          !secondary.Contains(static_cast<std::uint32_t>((b1 - 0x80) << 8 | (b2 - 0x80)))) {
        Report(offset, Msg::InvalidJisX0212Character, 0x8F0000u + (b1 << 8) + b2);
        result = false;
      }
      offset += 3;
      continue;
    }
    if (b1 == ByteInput::kEnd) return ReportTruncation(offset, Msg::AloneJisX0208Pair, b0);
    std::uint32_t pair = static_cast<std::uint32_t>(b0 << 8 | b1);
    // The second byte's high bit is tested before the pair is mapped.
    if (b1 < 0x80 || !IsJisX0208Character(pair)) {
      Report(offset, Msg::InvalidCharacter, pair);
      result = false;
    }
    offset += 2;
  }
}

}  // namespace codvet
