// The mapping from a JIS X 0208 row and cell to the Shift_JIS code of the
// same character.
#ifndef SRC_CODESET_JIS_TO_SHIFT_JIS_H_
#define SRC_CODESET_JIS_TO_SHIFT_JIS_H_

#include <cstdint>

namespace codvet {

// The code of no character: the two bytes are not a JIS X 0208 position.
inline constexpr std::int32_t kInvalidShiftJis = -1;

// Maps a two-byte JIS value (first byte high; the high bit of each byte is
// ignored, so EUC-JP and ISO-2022-JP forms agree) to its Shift_JIS code, or
// returns kInvalidShiftJis when the row or the cell lies outside 1 to 94.
// Whether the code is a character at all is for a CodeSet to say.
constexpr std::int32_t JisToShiftJis(std::uint32_t jis) {
  std::int32_t row = static_cast<std::int32_t>((jis >> 8) & 0x7F) - 0x20;
  std::int32_t cell = static_cast<std::int32_t>(jis & 0x7F) - 0x20;
  if (row < 1 || row > 94 || cell < 1 || cell > 94) return kInvalidShiftJis;
  // An odd row and the even row after it share one lead byte; 0xA0-0xDF are
  // skipped because they are single-byte katakana in Shift_JIS.
  std::int32_t lead = (row <= 62 ? 0x81 : 0xC1) + (row - 1) / 2;
  std::int32_t trail = cell + 0x9E;
  if (row % 2 != 0) trail = cell <= 63 ? cell + 0x3F : cell + 0x40;  // 0x7F is never a trail byte
  return lead << 8 | trail;
}

}  // namespace codvet

#endif  // SRC_CODESET_JIS_TO_SHIFT_JIS_H_
