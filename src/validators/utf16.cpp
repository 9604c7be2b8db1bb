// UTF-16 in either byte order.
//
// Units are two bytes, in the order the caller fixes or, for Detect, the one
// the first two bytes give: 0xFE 0xFF means big-endian, anything else
// little-endian. Deliberate behaviours:
// - the byte-order mark is checked, not skipped: it is the ordinary unit
//   0xFEFF, and the character after it is at offset 2;
// - a leading surrogate always takes the next unit as its partner, so a
//   wrong partner is consumed and reported only as a wrong trailing half;
// - values are units in the byte order in effect, not bytes in input order.
//
// Fast path: once the byte order is settled (after the first unit at the
// latest), SkipValidUtf16 passes over the buffered units that the plain step
// would accept without a word: blocks of eight units with no surrogate and
// no 0xFFFE at once, then unit by unit, with complete surrogate pairs read
// straight from the buffer. It stops at anything else, including a unit or
// pair cut by the buffer's end, and the plain step takes it from there.
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "validators/encoding_validator.h"

namespace codvet {

namespace {

constexpr bool IsLeadingSurrogate(std::uint32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
constexpr bool IsTrailingSurrogate(std::uint32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

constexpr std::uint32_t MakeUnit(Utf16ByteOrder order, int a, int b) {
  return static_cast<std::uint32_t>(order == Utf16ByteOrder::BigEndian ? a << 8 | b : b << 8 | a);
}

template <bool kBigEndian>
std::uint32_t UnitAt(const std::uint8_t* p) {
  return kBigEndian ? static_cast<std::uint32_t>(p[0] << 8 | p[1])
                    : static_cast<std::uint32_t>(p[1] << 8 | p[0]);
}

// Returns how far from `p` the units in [p, end) need no report: whole units
// and pairs only, never past `end`.
template <bool kBigEndian>
const std::uint8_t* SkipValidUtf16(const std::uint8_t* p, const std::uint8_t* end) {
  for (;;) {
#if defined(__SSE2__)
    const __m128i surrogateMask = _mm_set1_epi16(static_cast<short>(0xF800));
    const __m128i surrogates = _mm_set1_epi16(static_cast<short>(0xD800));
    const __m128i forbidden = _mm_set1_epi16(static_cast<short>(0xFFFE));
    while (end - p >= 16) {
      __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      if (kBigEndian) units = _mm_or_si128(_mm_slli_epi16(units, 8), _mm_srli_epi16(units, 8));
      __m128i bad = _mm_or_si128(_mm_cmpeq_epi16(_mm_and_si128(units, surrogateMask), surrogates),
                                 _mm_cmpeq_epi16(units, forbidden));
      if (_mm_movemask_epi8(bad) != 0) break;
      p += 16;
    }
#endif
    // Unit by unit over the block that held something, or the tail.
    const std::uint8_t* limit = end - p > 16 ? p + 16 : end;
    while (p < limit) {
      if (end - p < 2) return p;
      std::uint32_t unit = UnitAt<kBigEndian>(p);
      if (unit < 0xD800 || (unit >= 0xE000 && unit != 0xFFFE)) {
        p += 2;
        continue;
      }
      if (!IsLeadingSurrogate(unit) || end - p < 4 ||
          !IsTrailingSurrogate(UnitAt<kBigEndian>(p + 2))) {
        return p;
      }
      p += 4;
    }
    if (limit == end) return p;
  }
}

}  // namespace

bool EncodingValidator::ValidateUtf16(Utf16ByteOrder byteOrder) {
  output->BeginInput(displayName);
  std::int64_t offset = 0;
  bool result = true;
  Utf16ByteOrder order = byteOrder;
  for (;;) {
    if (useFastPath &&
        (order == Utf16ByteOrder::BigEndian || order == Utf16ByteOrder::LittleEndian)) {
      std::ptrdiff_t passed =
          input->Skip(order == Utf16ByteOrder::BigEndian
                          ? SkipValidUtf16<true>(input->next(), input->limit())
                          : SkipValidUtf16<false>(input->next(), input->limit()));
      offset += passed;
      fastPathBytes += passed;
    }
    int a = input->ReadByte();
    if (a == ByteInput::kEnd) return result;
    int b = input->ReadByte();
    if (b == ByteInput::kEnd) return ReportTruncation(offset, Msg::IncompleteCharacterUtf16, a);
    if (order == Utf16ByteOrder::Detect) {
      order = a == 0xFE && b == 0xFF ? Utf16ByteOrder::BigEndian : Utf16ByteOrder::LittleEndian;
    }
    std::uint32_t unit = MakeUnit(order, a, b);
    if (unit == 0xFFFE) {
      Report(offset, Msg::FffeMustNotAppear, unit);
      result = false;
    } else if (IsLeadingSurrogate(unit)) {
      int c = input->ReadByte();
      if (c == ByteInput::kEnd)
        return ReportTruncation(offset, Msg::IncompleteCharacterUtf16, unit);
      int d = input->ReadByte();
      if (d == ByteInput::kEnd) return ReportTruncation(offset, Msg::IncompleteCharacterUtf16, c);
      std::uint32_t partner = MakeUnit(order, c, d);
      if (!IsTrailingSurrogate(partner)) {
        Report(offset, Msg::InvalidTrailSurrogate, partner);
        result = false;
      }
      offset += 4;
      continue;
    } else if (IsTrailingSurrogate(unit)) {
      Report(offset, Msg::LoneTrailSurrogate, unit);
      result = false;
    }
    offset += 2;
  }
}

}  // namespace codvet
