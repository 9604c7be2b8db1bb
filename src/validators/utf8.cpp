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
// Under the strict rules (RFC 3629) the same sequences are read the same way,
// and these become problems too, each reported at the sequence's first byte:
// - a following byte from 0xC0 up, like one without its high bit, ends the
//   sequence and is consumed with it: LeadByteInSequence with that byte (the
//   first faulty following byte decides which of the two is reported);
// - a whole sequence whose value has a shorter form (C0, C1, E0 80-9F,
//   F0 80-8F): OverlongUtf8; one beyond 0x10FFFF (F4 90-BF, F5-F7):
//   BeyondUnicodeUtf8; a five-byte form: FiveByteUtf8. Each takes the whole
//   sequence and reports its bytes, first byte highest (five as in a cut
//   sequence's value). A sequence cut by the end is IncompleteCharacterUtf8
//   as before, whatever its first bytes already tell.
// The lenient codec is compiled apart, so the strict rules cost it nothing.
//
// The step judges one sequence, its following bytes' high bits all at once.
// The fast path passes ASCII runs several bytes at a time, then sequences one
// step at a time; with a block kernel (block_kernels.h) whole 64-byte blocks
// of sequences whose following bytes are 0x80-0xBF first; the lenient forms
// are left to the step; the strict kernel passes only what RFC 3629 allows.
#include "validators/byte_scan.h"
#include "validators/step_loop.h"

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
// word loaded by LoadBytes.
constexpr std::uint64_t FollowingBytesMask(int length) {
  return (~std::uint64_t{0} >> (64 - 8 * length)) & ~std::uint64_t{0xFF};
}

// The high bits of the following bytes of a sequence of each length.
constexpr std::uint64_t kFollowingHighBits[7] = {
    0,
    0,
    FollowingBytesMask(2) & 0x8080808080808080u,
    FollowingBytesMask(3) & 0x8080808080808080u,
    FollowingBytesMask(4) & 0x8080808080808080u,
    FollowingBytesMask(5) & 0x8080808080808080u,
    FollowingBytesMask(6) & 0x8080808080808080u,
};

// The reports of a sequence, by index rather than by branch: a following
// byte without its high bit (by whether it is the second byte), a refused
// first byte, a surrogate.
constexpr Msg kMessages[4] = {Msg::InvalidContinuation, Msg::InvalidSecondByte,
                              Msg::InvalidSequence, Msg::SurrogateInUtf8};

// The eight bytes at `p`, the first in the lowest bits; those at or past
// `end` read as 0x80, a following byte with its high bit.
inline std::uint64_t LoadBytes(const std::uint8_t* p, const std::uint8_t* end) {
  std::uint64_t word = 0;
  if (end - p >= 8) {
    for (int i = 7; i >= 0; --i) word = word << 8 | p[i];
    return word;
  }
  for (int i = 7; i >= 0; --i) word = word << 8 | (p + i < end ? p[i] : 0x80u);
  return word;
}

// The bytes of a sequence cut after `k`, first byte highest; with five of
// them the first two are added into the top byte.
std::uint32_t CutValue(const std::uint8_t* p, std::ptrdiff_t k) {
  if (k == 5) return std::uint32_t((p[0] + p[1]) & 0xFF) << 24 | p[2] << 16 | p[3] << 8 | p[4];
  std::uint32_t value = 0;
  for (std::ptrdiff_t i = 0; i < k; ++i) value = value << 8 | p[i];
  return value;
}

// Under the strict rules, the second bytes each first byte allows (all, for
// single bytes and the refused first bytes, which the structure judges) and
// what any other whole sequence is.
struct StrictSecond {
  std::uint8_t low;
  std::uint8_t high;
  Msg message;
};
struct StrictSeconds {
  StrictSecond of[256];
  constexpr StrictSeconds() : of() {
    for (int b = 0; b < 256; ++b) of[b] = {0x00, 0xFF, Msg::OverlongUtf8};
    of[0xC0] = of[0xC1] = {0xFF, 0x00, Msg::OverlongUtf8};
    of[0xE0] = {0xA0, 0xBF, Msg::OverlongUtf8};
    of[0xF0] = {0x90, 0xBF, Msg::OverlongUtf8};
    of[0xF4] = {0x80, 0x8F, Msg::BeyondUnicodeUtf8};
    for (int b = 0xF5; b < 0xF8; ++b) of[b] = {0xFF, 0x00, Msg::BeyondUnicodeUtf8};
    for (int b = 0xF8; b < 0xFC; ++b) of[b] = {0xFF, 0x00, Msg::FiveByteUtf8};
  }
};
constexpr StrictSeconds kStrictSecond;

template <bool kStrict>
struct Utf8Codec {
  struct State {};
  // Six bytes at most, but eight: the step reads them as one word.
  static constexpr std::size_t kLongest = 8;

  // One branch for the common outcome, a whole sequence needing no report.
  Step Decode(const std::uint8_t* p, const std::uint8_t* end, State&) const {
    int length = kSequenceLength[p[0]];
    std::uint64_t word = LoadBytes(p, end);
    // The first following byte without its high bit, found in one step.
    std::uint64_t missingHighBits = ~word & kFollowingHighBits[length];
    std::uint64_t faulty = missingHighBits;
    bool strictFault = false;
    if constexpr (kStrict) {
      // Bit 6 moved onto bit 7: following bytes from 0xC0 up.
      faulty |= word & word << 1 & kFollowingHighBits[length];
      const StrictSecond& second = kStrictSecond.of[p[0]];
      std::uint32_t b2 = (word >> 8) & 0xFF;
      strictFault = (b2 < second.low) | (b2 > second.high);
    }
    // A code from 0xD800 to 0xDFFF (whatever the two high bits of the
    // following bytes): 0xED, then a byte with 0x20 set.
    bool surrogate = (p[0] == 0xED) & ((word >> 13) & 1);
    if ((faulty == 0) & !surrogate & !strictFault & (length != 6) & (end - p >= length))
      return ValidStep(length);
    if (faulty != 0) {
      int k = __builtin_ctzll(faulty) >> 3;
      if (kStrict && (missingHighBits >> (8 * k + 7) & 1) == 0)
        return ProblemStep(k + 1, Msg::LeadByteInSequence, p[k]);
      return ProblemStep(k + 1, kMessages[k == 1], p[k]);
    }
    if (end - p < length)
      return CutStep(p, end, Msg::IncompleteCharacterUtf8, CutValue(p, end - p));
    if (surrogate)
      return ProblemStep(3, Msg::SurrogateInUtf8, std::uint32_t{p[0]} << 16 | p[1] << 8 | p[2]);
    if (kStrict && strictFault && length != 6)
      return ProblemStep(length, kStrictSecond.of[p[0]].message, CutValue(p, length));
    return {6, Step::kNoValue, Msg::InvalidSequence, 0};
  }
  // ASCII runs several bytes at a time, and runs of three-byte sequences
  // (the commonest in Japanese text) and other whole sequences read
  // straight from the buffer; the rest is left to the step.
  const std::uint8_t* SkipRun(const std::uint8_t* p, const std::uint8_t* stop,
                              const std::uint8_t* end, State&) const {
    while (p < stop && p != end) {
      std::uint32_t b1 = *p;
      if (b1 < 0x80) {
        p = SkipInRange(p + 1, end, kAscii);
        continue;
      }
      std::ptrdiff_t left = end - p;
      if (kStrict) {
        // Only the commonest sequences, three bytes from 0xE1 on but not
        // 0xED; the step judges the rest.
        while (left >= 3 && b1 - 0xE1 < 0x0F && b1 != 0xED && (p[1] & 0xC0) == 0x80 &&
               (p[2] & 0xC0) == 0x80) {
          p += 3;
          left -= 3;
          if (left == 0) return p;
          b1 = *p;
        }
        if (b1 < 0x80) continue;
        return p;
      }
      if ((b1 & 0xF0) == 0xE0) {
        // (b1 & 0x0F) == 0xD with the top of b2's six bits set is
        // 0xD800-0xDFFF.
        do {
          if (left < 3 || (p[1] & p[2] & 0x80) == 0 || (b1 == 0xED && (p[1] & 0x20) != 0)) return p;
          p += 3;
          left -= 3;
          if (left == 0) return p;
          b1 = *p;
        } while ((b1 & 0xF0) == 0xE0);
      } else if ((b1 & 0xE0) == 0xC0) {
        if (left < 2 || (p[1] & 0x80) == 0) return p;
        p += 2;
      } else if ((b1 & 0xF8) == 0xF0) {
        if (left < 4 || (p[1] & p[2] & p[3] & 0x80) == 0) return p;
        p += 4;
      } else {
        return p;
      }
    }
    return p;
  }
  const std::uint8_t* Block(const BlockKernels& kernels, const std::uint8_t* p,
                            const std::uint8_t* end, State&) const {
    return kStrict ? kernels.utf8Strict(p, end) : kernels.utf8(p, end);
  }
};

}  // namespace

bool EncodingValidator::ValidateUtf8() {
  if (strict) return RunSteps(Utf8Codec<true>{}, {}, useFastPath);
  return RunSteps(Utf8Codec<false>{}, {}, useFastPath);
}

}  // namespace codvet
