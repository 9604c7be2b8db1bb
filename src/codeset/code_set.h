// A set of 16-bit character codes held as a 65,536-bit map.
#ifndef SRC_CODESET_CODE_SET_H_
#define SRC_CODESET_CODE_SET_H_

#include <cstddef>
#include <cstdint>
#include <memory>

namespace codvet {

// One bit per code: the bit of code c is in byte c / 8 under the mask
// 0x80 >> (c % 8), so the most significant bit of byte k stands for code 8k.
class CodeSet {
 public:
  static constexpr std::size_t kBytes = 8192;

  // Allocates the map empty; ok() tells whether the memory could be had.
  CodeSet();
  CodeSet(const CodeSet&) = delete;
  CodeSet& operator=(const CodeSet&) = delete;

  // False when the map could not be allocated; such a set must not be used.
  bool ok() const { return bits != nullptr; }

  // Replaces the set with the codes of `count` / 2 inclusive (low, high)
  // pairs; a pair whose low bound exceeds its high bound adds nothing.
  void LoadRanges(const std::uint16_t* table, std::int32_t count);

  // Tells whether `code` (0 to 65535) is in the set.
  bool Contains(std::uint32_t code) const { return (bits[code >> 3] & (0x80u >> (code & 7))) != 0; }

 private:
  std::unique_ptr<std::uint8_t[]> bits;
};

}  // namespace codvet

#endif  // SRC_CODESET_CODE_SET_H_
