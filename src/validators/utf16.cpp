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
#include "report/messages.h"
#include "validators/encoding_validator.h"

namespace codvet {

namespace {

constexpr bool IsLeadingSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsTrailingSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

constexpr std::uint32_t MakeUnit(Utf16ByteOrder order, int a, int b) {
  return static_cast<std::uint32_t>(order == Utf16ByteOrder::BigEndian ? a << 8 | b : b << 8 | a);
}

}  // namespace

bool EncodingValidator::ValidateUtf16(Utf16ByteOrder byteOrder) {
  std::int64_t offset = 0;
  bool result = true;
  Utf16ByteOrder order = byteOrder;
  for (;;) {
    int a = input->ReadByte();
    if (a == ByteInput::kEnd) return result;
    int b = input->ReadByte();
    if (b == ByteInput::kEnd) return ReportTruncation(offset, MsgIncompleteCharacterUtf16, a);
    if (order == Utf16ByteOrder::Detect) {
      order = a == 0xFE && b == 0xFF ? Utf16ByteOrder::BigEndian : Utf16ByteOrder::LittleEndian;
    }
    if (order != Utf16ByteOrder::BigEndian && order != Utf16ByteOrder::LittleEndian) {
      ReportNoValue(offset, MsgUncertainEndian);
      return false;
    }
    std::uint32_t unit = MakeUnit(order, a, b);
    if (unit == 0xFFFE) {
      Report(offset, MsgFffeMustNotAppear, unit);
      result = false;
    } else if (IsLeadingSurrogate(unit)) {
      int c = input->ReadByte();
      if (c == ByteInput::kEnd) return ReportTruncation(offset, MsgIncompleteCharacterUtf16, unit);
      int d = input->ReadByte();
      if (d == ByteInput::kEnd) return ReportTruncation(offset, MsgIncompleteCharacterUtf16, c);
      std::uint32_t partner = MakeUnit(order, c, d);
      if (!IsTrailingSurrogate(partner)) {
        Report(offset, MsgInvalidTrailSurrogate, partner);
        result = false;
      }
      offset += 4;
      continue;
    } else if (IsTrailingSurrogate(unit)) {
      Report(offset, MsgLoneTrailSurrogate, unit);
      result = false;
    }
    offset += 2;
  }
}

}  // namespace codvet
