#include "codeset/jis_to_shift_jis.h"

#include <optional>
#include <string>

#include "gtest/gtest.h"
#include "validator_test_util.h"

namespace codvet {
namespace {

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
