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
// The step judges one unit, or a surrogate pair. The block kernels pass blocks
// of units with no 0xFFFE and surrogates only in whole pairs; the scalar fast
// path passes units that are neither surrogates nor 0xFFFE eight at a time
// where the processor has SSE2, then one at a time, and surrogate pairs one
// step at a time.
#include "validators/byte_scan.h"
#include "validators/step_loop.h"

namespace codvet {

namespace {

constexpr bool IsTrailingSurrogate(std::uint32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}
// A unit that is neither a surrogate nor 0xFFFE: valid alone.
constexpr bool IsPlainUnit(std::uint32_t unit) {
  return unit < 0xD800 || (unit >= 0xE000 && unit != 0xFFFE);
}

constexpr std::uint32_t UnitAt(const std::uint8_t* p, bool bigEndian) {
  return bigEndian ? static_cast<std::uint32_t>(p[0] << 8 | p[1])
                   : static_cast<std::uint32_t>(p[1] << 8 | p[0]);
}

struct Utf16Codec {
  struct State {
    Utf16ByteOrder order;
  };
  static constexpr std::size_t kLongest = 4;

  Step Decode(const std::uint8_t* p, const std::uint8_t* end, State& state) const {
    std::ptrdiff_t left = end - p;
    if (left < 2) return CutStep(p, end, Msg::IncompleteCharacterUtf16, p[0]);
    if (state.order == Utf16ByteOrder::Detect) {
      state.order =
          p[0] == 0xFE && p[1] == 0xFF ? Utf16ByteOrder::BigEndian : Utf16ByteOrder::LittleEndian;
    }
    bool bigEndian = state.order == Utf16ByteOrder::BigEndian;
    std::uint32_t unit = UnitAt(p, bigEndian);
    if (IsPlainUnit(unit)) return ValidStep(2);
    if (unit == 0xFFFE) return ProblemStep(2, Msg::FffeMustNotAppear, unit);
    if (IsTrailingSurrogate(unit)) return ProblemStep(2, Msg::LoneTrailSurrogate, unit);
    if (left < 3) return CutStep(p, end, Msg::IncompleteCharacterUtf16, unit);
    if (left < 4) return CutStep(p, end, Msg::IncompleteCharacterUtf16, p[2]);
    std::uint32_t partner = UnitAt(p + 2, bigEndian);
    return IsTrailingSurrogate(partner) ? ValidStep(4)
                                        : ProblemStep(4, Msg::InvalidTrailSurrogate, partner);
  }
  const std::uint8_t* SkipRun(const std::uint8_t* p, const std::uint8_t* end, const std::uint8_t*,
                              State& state) const {
    if (state.order == Utf16ByteOrder::Detect) return p;
    bool bigEndian = state.order == Utf16ByteOrder::BigEndian;
    p = SkipPlainUtf16(p, end, bigEndian);
    while (end - p >= 2 && IsPlainUnit(UnitAt(p, bigEndian))) p += 2;
    return p;
  }
  const std::uint8_t* Block(const BlockKernels& kernels, const std::uint8_t* p,
                            const std::uint8_t* end, State& state) const {
    if (state.order == Utf16ByteOrder::Detect) return p;
    return kernels.utf16(p, end, state.order == Utf16ByteOrder::BigEndian);
  }
};

}  // namespace

bool EncodingValidator::ValidateUtf16(Utf16ByteOrder byteOrder) {
  return RunSteps(Utf16Codec{}, {byteOrder}, useFastPath);
}

}  // namespace codvet
