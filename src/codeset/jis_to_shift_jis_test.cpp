#include "codeset/jis_to_shift_jis.h"

#include <optional>
#include <set>
#include <string>

#include "gtest/gtest.h"
#include "validator_test_util.h"

namespace codvet {
namespace {

// Every pair of bytes, high bits ignored: the textbook formula inside the
// 94 x 94 grid, no code outside it, and never two positions on one code.
TEST(JisToShiftJis, WholeDomainAgreesWithTheTextbookAndIsOneToOne) {
  std::set<std::int32_t> seen;
  for (int j1 = 0; j1 < 256; ++j1) {
    for (int j2 = 0; j2 < 256; ++j2) {
      std::int32_t got = JisToShiftJis(static_cast<std::uint32_t>(j1 << 8 | j2));
      int r = j1 & 0x7F, c = j2 & 0x7F;
      if (r < 0x21 || r > 0x7E || c < 0x21 || c > 0x7E) {
        ASSERT_EQ(got, kInvalidShiftJis) << std::hex << j1 << " " << j2;
        continue;
      }
      ASSERT_EQ(got, TextbookShiftJis(r, c)) << std::hex << j1 << " " << j2;
      if (j1 < 0x80 && j2 < 0x80) seen.insert(got);
    }
  }
  EXPECT_EQ(seen.size(), 94u * 94u);
}

// Wherever the system's converter knows a JIS X 0208 character, the mapping
// gives the code it gives.
TEST(JisToShiftJis, AgreesWithTheSystemConverter) {
  if (!Convert("EUC-JP", "SHIFT_JIS", "")) GTEST_SKIP() << "no EUC-JP converter";
  int compared = 0;
  for (int r = 0xA1; r <= 0xFE; ++r) {
    for (int c = 0xA1; c <= 0xFE; ++c) {
      std::optional<std::string> sjis = Convert("EUC-JP", "SHIFT_JIS", Bytes({r, c}));
      if (!sjis || sjis->size() != 2) continue;
      int code =
          static_cast<unsigned char>((*sjis)[0]) << 8 | static_cast<unsigned char>((*sjis)[1]);
      ASSERT_EQ(JisToShiftJis(r << 8 | c), code) << std::hex << r << " " << c;
      ++compared;
    }
  }
  EXPECT_GT(compared, 6800);
}

}  // namespace
}  // namespace codvet
