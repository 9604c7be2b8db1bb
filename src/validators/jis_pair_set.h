// A bit per JIS pair for the fast paths of the JIS-based encodings, made
// once with the code tables.
#ifndef SRC_VALIDATORS_JIS_PAIR_SET_H_
#define SRC_VALIDATORS_JIS_PAIR_SET_H_

#include <cstdint>
#include <cstring>

#include "codeset/code_set.h"
#include "codeset/jis_to_shift_jis.h"

namespace codvet {

// Which pairs of JIS bytes stand for a character of a code set in Shift_JIS
// form: JisToShiftJis and CodeSet::Contains folded into one bit per pair (4
// KiB, against the 8 KiB set and the mapping), for the fast paths of the
// JIS-based encodings. The first byte's high bit is ignored; the second
// byte's is ignored too, or required (EUC-JP), as loaded.
class JisPairSet {
 public:
  enum SecondByte { kHighBitIgnored, kHighBitRequired };

  void Load(const CodeSet& shiftJis, SecondByte second) {
    std::memset(bits_, 0, sizeof bits_);
    for (std::uint32_t row = 0x21; row <= 0x7E; ++row) {
      for (std::uint32_t cell = 0x21; cell <= 0x7E; ++cell) {
        std::int32_t code = JisToShiftJis(row << 8 | cell);
        if (code == kInvalidShiftJis || !shiftJis.Contains(static_cast<std::uint32_t>(code))) {
          continue;
        }
        Add(row << 8 | cell | 0x80);
        if (second == kHighBitIgnored) Add(row << 8 | cell);
      }
    }
  }
  // Whether the pair `first`, `second` stands for a character of the set.
  bool Contains(std::uint32_t first, std::uint32_t second) const {
    std::uint32_t i = (first & 0x7F) << 8 | second;
    return (bits_[i >> 3] >> (i & 7) & 1) != 0;
  }

 private:
  void Add(std::uint32_t i) {
    bits_[i >> 3] = static_cast<std::uint8_t>(bits_[i >> 3] | 1u << (i & 7));
  }

  std::uint8_t bits_[0x8000 / 8];
};

}  // namespace codvet

#endif  // SRC_VALIDATORS_JIS_PAIR_SET_H_
