// The few definitions that the validators, the block kernels and the library
// all need, kept below every one of them so that none includes another's
// header to reach them.
#ifndef SRC_VALIDATORS_ENCODING_BASICS_H_
#define SRC_VALIDATORS_ENCODING_BASICS_H_

#include <cstddef>

namespace codvet {

enum class Utf16ByteOrder : int { Detect = 0, LittleEndian = 1, BigEndian = 2 };

enum class Iso2022Mode : int { Ascii = 0, JisRoman = 1, Jis1978 = 2, Jis1983 = 3 };

// Tells whether `byte` opens a two-byte Shift_JIS character (0x81-0x9F,
// 0xE0-0xFC), whatever table is loaded.
constexpr bool IsShiftJisLeadByte(int byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The bytes a block kernel judges at once; fewer buffered are left to the
// scalar fast path.
constexpr std::ptrdiff_t kBlockSize = 64;

}  // namespace codvet

#endif  // SRC_VALIDATORS_ENCODING_BASICS_H_
