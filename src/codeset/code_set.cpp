#include "codeset/code_set.h"

#include <cstring>
#include <new>

namespace codvet {

CodeSet::CodeSet() : bits(new (std::nothrow) std::uint8_t[kBytes]) {
  if (bits) std::memset(bits.get(), 0, kBytes);
}

void CodeSet::LoadRanges(const std::uint16_t* table, std::int32_t count) {
  std::memset(bits.get(), 0, kBytes);
  std::int32_t pairs = count / 2;
  for (std::int32_t i = 0; i < pairs; ++i) {
    // A counter wider than the codes, so that a high bound of 0xFFFF ends the
    // walk instead of wrapping to 0.
    std::uint32_t low = table[2 * i];
    std::uint32_t high = table[2 * i + 1];
    for (std::uint32_t code = low; code <= high; ++code) bits[code >> 3] |= 0x80u >> (code & 7);
  }
}

}  // namespace codvet
