// The built-in tables of valid codes that the code sets are loaded from.
#ifndef SRC_CODESET_RANGE_TABLES_H_
#define SRC_CODESET_RANGE_TABLES_H_

#include <cstdint>

namespace codvet {

// Lengths are counted in 16-bit values, twice the number of pairs; they are
// what LoadRanges takes.
inline constexpr std::int32_t kShiftJisRangesLength = 180;
inline constexpr std::int32_t kCp932RangesLength = 208;
inline constexpr std::int32_t kJisX0212RangesLength = 168;

// Shift_JIS codes (a single byte is its own code, a pair is lead * 256 +
// trail) of pure Shift_JIS.
extern const std::uint16_t kShiftJisRanges[kShiftJisRangesLength];
// Shift_JIS codes of Windows-31J (Microsoft code page 932).
extern const std::uint16_t kCp932Ranges[kCp932RangesLength];
// Seven-bit JIS row and cell codes (row byte * 256 + cell byte) of JIS X 0212.
extern const std::uint16_t kJisX0212Ranges[kJisX0212RangesLength];

}  // namespace codvet

#endif  // SRC_CODESET_RANGE_TABLES_H_
