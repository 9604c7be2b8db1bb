#include "validators/jis_pair_set.h"

#include <cstdint>
#include <vector>

#include "codeset/code_set.h"
#include "codeset/jis_to_shift_jis.h"
#include "codeset/range_tables.h"
#include "gtest/gtest.h"
#include "validators/block_kernels.h"
#include "validators/encoding_validator.h"

namespace codvet {
namespace {

// The JIS pair set holds exactly the pairs that map to characters of the set.
// The block kernels trust their summaries blindly: all they vouch for must be
// in the set, with nearly all its pairs and all its single bytes.
TEST(PairSummaries, AgreeWithTheMappingAndTheSetForEveryPair) {
  auto vouched = [](const PairRanges& r, int index, int value) {
    return static_cast<std::uint8_t>(value - r.low[index]) < r.count[index];
  };
  for (bool cp932 : {false, true}) {
    CodeSet set;
    set.LoadRanges(cp932 ? kCp932Ranges : kShiftJisRanges,
                   cp932 ? kCp932RangesLength : kShiftJisRangesLength);
    JisPairSet ignored, required;
    ignored.Load(set, JisPairSet::kHighBitIgnored);
    required.Load(set, JisPairSet::kHighBitRequired);
    ShiftJisSummary summary;
    SummarizeShiftJis(set, summary);
    PairRanges rows;
    SummarizeJisRows(set, rows);
    int jisPairs = 0, rowsVouched = 0, shiftJisPairs = 0, pairsVouched = 0;
    int singlesInSet = 0, singlesVouched = 0;
    for (std::uint32_t first = 0; first < 256; ++first) {
      bool lead = IsShiftJisLeadByte(static_cast<int>(first));
      bool single = vouched(summary.singles, 0, first) || vouched(summary.singles, 1, first);
      singlesInSet += !lead && set.Contains(first);
      singlesVouched += !lead && single;
      EXPECT_TRUE(lead || !single || set.Contains(first)) << first;
      for (std::uint32_t second = 0; second < 256; ++second) {
        SCOPED_TRACE(testing::Message() << cp932 << " " << first << " " << second);
        std::int32_t code = JisToShiftJis(first << 8 | second);
        bool jis = code != kInvalidShiftJis && set.Contains(static_cast<std::uint32_t>(code));
        jisPairs += jis;
        ASSERT_EQ(ignored.Contains(first, second), jis);
        ASSERT_EQ(required.Contains(first, second), jis && second >= 0x80);
        if (first < 128 && vouched(rows, first, second)) {
          ++rowsVouched;
          ASSERT_TRUE(jis);
        }
        if (!lead) continue;
        shiftJisPairs += set.Contains(first << 8 | second);
        if (second == 0x7F || !vouched(summary.pairs, first & 0x3F, second)) continue;
        ++pairsVouched;
        ASSERT_TRUE(set.Contains(first << 8 | second));
      }
    }
    // JIS X 0208 (with, in CP932, NEC row 13 and the NEC-selected IBM rows
    // 89-92) in each combination of high bits.
    EXPECT_EQ(jisPairs, 4 * (cp932 ? 6879 + 83 + 374 : 6879));
    EXPECT_GT(rowsVouched, 6879 * 9 / 10);
    EXPECT_GT(pairsVouched, shiftJisPairs * 9 / 10);
    EXPECT_EQ(singlesVouched, singlesInSet);  // one run in each half
  }
}

}  // namespace
}  // namespace codvet
