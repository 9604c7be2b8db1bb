// UTF-8, checked by structure alone.
//
// The first byte gives the length: 0x00-0x7F one byte, 0xC0-0xDF two,
// 0xE0-0xEF three, 0xF0-0xF7 four, 0xF8-0xFB five. Any other first byte
// (0x80-0xBF, 0xFC-0xFF) is refused after six bytes have been read. A
// following byte needs only its high bit set. Deliberate leniencies, which
// callers may rely on: overlong forms, values above 0x10FFFF, five-byte forms
// and following bytes 0xC0-0xFF are accepted; the only value test is the
// surrogate range 0xD800-0xDFFF in three-byte sequences. A following byte
// without its high bit ends the sequence and is consumed with it. A byte-order
// mark is an ordinary character.
//
// Fast path: before each plain step, SkipValidUtf8 passes over the buffered
// sequences that the plain step would accept without a word: ASCII runs
// several bytes at a time, and complete sequences of two to five bytes whose
// following bytes have the high bit set (three-byte ones outside the
// surrogate range). It stops at anything else, including a sequence cut by
// the buffer's end, and the plain step takes it from there. With a block
// kernel (block_kernels.h) the skip passes whole 64-byte blocks of sequences
// whose following bytes are 0x80-0xBF first; the lenient forms are left to
// the scalar skip.
#include "validators/encoding_validator.h"
#include "validators/byte_scan.h"
#include "validators/pass_by_turns.h"

namespace codvet {

namespace {

// Bytes in the sequence a first byte from 0x80 up opens; 6 means refused.
constexpr int Utf8SequenceLength(int b1) {
  if ((b1 & 0xE0) == 0xC0) return 2;
  if ((b1 & 0xF0) == 0xE0) return 3;
  if ((b1 & 0xF8) == 0xF0) return 4;
  if ((b1 & 0xFC) == 0xF8) return 5;
  return 6;
}

constexpr ByteRange kAscii = {0x00, 0x7F};

// Utf8SequenceLength for every byte, 1 for the single bytes.
struct SequenceLengths {
  std::uint8_t of[256];
  constexpr SequenceLengths() : of() {
    for (int b = 0; b < 256; ++b)
      of[b] = static_cast<std::uint8_t>(b < 0x80 ? 1 : Utf8SequenceLength(b));
  }
  constexpr int operator[](int b) const { return of[b]; }
};
constexpr SequenceLengths kSequenceLength;

// The high bits of the following bytes of a sequence of `length` bytes, in a
// word loaded by LoadEightBytes.
constexpr std::uint64_t FollowingBytesMask(int length) {
  return (~std::uint64_t{0} >> (64 - 8 * length)) & ~std::uint64_t{0xFF};
}

// Whether three bytes encode a code from 0xD800 to 0xDFFF (whatever the two
// high bits of the following bytes).
constexpr bool IsSurrogate(std::uint32_t b1, std::uint32_t b2, std::uint32_t b3) {
  std::uint32_t code = (b1 & 0x0F) << 12 | (b2 & 0x3F) << 6 | (b3 & 0x3F);
  return code >= 0xD800 && code <= 0xDFFF;
}

// The report for a following byte without its high bit, by whether it is
// the second byte; an index rather than a branch, which such input would
// mispredict.
constexpr Msg kFollowingByteMessages[2] = {Msg::InvalidContinuation, Msg::InvalidSecondByte};

// The eight bytes at `p`, the first in the lowest bits.
inline std::uint64_t LoadEightBytes(const std::uint8_t* p) {
  std::uint64_t word = 0;
  for (int i = 7; i >= 0; --i) word = word << 8 | p[i];
  return word;
}

// Returns how far from `p` the sequences in [p, end) that start before
// `stop` need no report: whole sequences only, never past `end`.
const std::uint8_t* PassUtf8(const std::uint8_t* p, const std::uint8_t* stop,
                             const std::uint8_t* end) {
  while (p < stop && p != end) {
    std::uint32_t b1 = *p;
    if (b1 < 0x80) {
      p = SkipInRange(p + 1, end, kAscii);
      continue;
    }
    std::ptrdiff_t left = end - p;
    if ((b1 & 0xF0) == 0xE0) {
      // Three-byte sequences, the commonest in Japanese text, in runs while
      // they last. (b1 & 0x0F) == 0xD with the top of b2's six bits set is
      // 0xD800-0xDFFF.
      do {
        if (left < 3 || (p[1] & p[2] & 0x80) == 0 || (b1 == 0xED && (p[1] & 0x20) != 0)) return p;
        p += 3;
        left -= 3;
        if (left == 0) return p;
        b1 = *p;
      } while ((b1 & 0xF0) == 0xE0);
    } else if ((b1 & 0xE0) == 0xC0) {
      if (left < 2 || (p[1] & 0x80) == 0) break;
      p += 2;
    } else if ((b1 & 0xF8) == 0xF0) {
      if (left < 4 || (p[1] & p[2] & p[3] & 0x80) == 0) break;
      p += 4;
    } else if ((b1 & 0xFC) == 0xF8) {
      if (left < 5 || (p[1] & p[2] & p[3] & p[4] & 0x80) == 0) break;
      p += 5;
    } else {
      break;  // refused first byte: always reported
    }
  }
  return p;
}

// As PassUtf8 to the end, block by block where `kernels` is not null; the
// scalar pass takes each block the kernel cannot vouch for.
const std::uint8_t* SkipValidUtf8(const std::uint8_t* p, const std::uint8_t* end,
                                  const BlockKernels* kernels, std::int64_t& blockBytes) {
  if (kernels == nullptr) return PassUtf8(p, end, end);
  return PassByTurns(
      p, end, blockBytes, [&](auto* q) { return kernels->utf8(q, end); },
      [&](auto* q, auto* stop) { return PassUtf8(q, stop, end); });
}

}  // namespace

bool EncodingValidator::ValidateUtf8() {
  output->BeginInput(displayName);
  std::int64_t offset = 0;
  bool result = true;
  ByteCursor cursor(*input);
  const BlockKernels* kernels = KernelsFor(kernel);
  // Where problems are dense the skip passes next to nothing, so after a
  // short skip a run of sequences goes through the buffered step alone.
  SkipThrottle throttle;
  for (;;) {
    if (useFastPath) {
      if (throttle.Ready()) {
        std::ptrdiff_t passed =
            cursor.Skip(SkipValidUtf8(cursor.next(), cursor.limit(), kernels, blockKernelBytes));
        offset += passed;
        fastPathBytes += passed;
        throttle.Passed(passed, cursor.next() == cursor.limit());
      }
      if (cursor.limit() - cursor.next() >= 8) {
        // A whole sequence is buffered: judge it in place, the first
        // following byte without its high bit found in one step, with one
        // branch for the common outcome (a byte-by-byte walk mispredicts at
        // nearly every byte of such input).
        const std::uint8_t* p = cursor.next();
        int length = kSequenceLength[p[0]];
        std::uint64_t missingHighBits =
            ~LoadEightBytes(p) & 0x8080808080808080u & FollowingBytesMask(length);
        if ((missingHighBits == 0) & (length != 3) & (length != 6)) {
          offset += cursor.Skip(p + length);
          continue;
        }
        if (missingHighBits != 0) {
          int k = __builtin_ctzll(missingHighBits) >> 3;
          Report(offset, kFollowingByteMessages[k == 1], p[k]);
          result = false;
          offset += cursor.Skip(p + k + 1);
          continue;
        }
        if (length == 6) {
          ReportNoValue(offset, Msg::InvalidSequence);
          result = false;
        } else if (IsSurrogate(p[0], p[1], p[2])) {
          Report(offset, Msg::SurrogateInUtf8, std::uint32_t{p[0]} << 16 | p[1] << 8 | p[2]);
          result = false;
        }
        offset += cursor.Skip(p + length);
        continue;
      }
    }
    int b1 = cursor.ReadByte();
    if (b1 == ByteInput::kEnd) return result;
    if (b1 < 0x80) {
      offset += 1;
      continue;
    }
    int length = Utf8SequenceLength(b1);
    std::uint32_t bytes[6] = {static_cast<std::uint32_t>(b1)};
    bool complete = true;
    for (int k = 1; k < length; ++k) {
      int b = cursor.ReadByte();
      if (b == ByteInput::kEnd) {
        // The bytes read so far, first byte highest; with five of them the
        // first two are added into the top byte.
        std::uint32_t value = 0;
        if (k == 5) {
          value = ((bytes[0] + bytes[1]) & 0xFF) << 24 | bytes[2] << 16 | bytes[3] << 8 | bytes[4];
        } else {
          for (int i = 0; i < k; ++i) value = value << 8 | bytes[i];
        }
        return ReportTruncation(offset, Msg::IncompleteCharacterUtf8, value);
      }
      if (b < 0x80) {
        Report(offset, k == 1 ? Msg::InvalidSecondByte : Msg::InvalidContinuation, b);
        result = false;
        offset += k + 1;
        complete = false;
        break;
      }
      bytes[k] = static_cast<std::uint32_t>(b);
    }
    if (!complete) continue;
    if (length == 3) {
      if (IsSurrogate(bytes[0], bytes[1], bytes[2])) {
        Report(offset, Msg::SurrogateInUtf8, bytes[0] << 16 | bytes[1] << 8 | bytes[2]);
        result = false;
      }
    } else if (length == 6) {
      ReportNoValue(offset, Msg::InvalidSequence);
      result = false;
    }
    offset += length;
  }
}

}  // namespace codvet
