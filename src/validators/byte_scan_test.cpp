#include "validators/byte_scan.h"
#include "validators/jis_pair_set.h"

#include <cstdint>
#include <random>
#include <vector>

#include "codeset/code_set.h"
#include "codeset/jis_to_shift_jis.h"
#include "codeset/range_tables.h"
#include "gtest/gtest.h"
#include "validators/block_kernels.h"
#include "validators/encoding_validator.h"

namespace codvet {
namespace {

// Every run length up to a few blocks of bytes `find` passes, ended by one
// it must stop at (perhaps with another later): `find` must stop at the
// first, at the end when there is none, and never go past the end it is
// given.
template <typename Find, typename Stops>
void ExpectStopsAtTheFirst(Find find, Stops stopsAt, std::mt19937& random) {
  std::vector<std::uint8_t> passes, stops;
  for (int b = 0; b < 256; ++b) (stopsAt(b) ? stops : passes).push_back(b);
  for (std::size_t length = 0; length < 200; ++length) {
    std::vector<std::uint8_t> bytes(length + 1 + random() % 70);
    for (std::uint8_t& b : bytes) b = passes[random() % passes.size()];
    const std::uint8_t* begin = bytes.data();
    const std::uint8_t* end = begin + bytes.size();
    EXPECT_EQ(find(begin, end), end);
    bytes[length] = stops[random() % stops.size()];
    if (random() % 2 == 0 && length + 1 < bytes.size()) {
      bytes[length + 1 + random() % (bytes.size() - length - 1)] = stops[random() % stops.size()];
    }
    ASSERT_EQ(find(begin, end) - begin, static_cast<std::ptrdiff_t>(length)) << int(bytes[length]);
    EXPECT_EQ(find(begin, begin + length), begin + length);
  }
}

// Ranges at both ends of the byte values and in the middle; the escape byte.
TEST(FastScan, StopsAtTheFirstByteSought) {
  std::mt19937 random(7);
  for (ByteRange range : {ByteRange{0x00, 0x7F}, ByteRange{0x00, 0x7E}, ByteRange{0x21, 0x7E},
                          ByteRange{0xA1, 0xFE}, ByteRange{0x80, 0xFF}, ByteRange{0x41, 0x41}}) {
    SCOPED_TRACE(int(range.low));
    ExpectStopsAtTheFirst([&](auto* b, auto* e) { return SkipInRange(b, e, range); },
                          [&](int b) { return !range.Holds(static_cast<std::uint8_t>(b)); },
                          random);
  }
  ExpectStopsAtTheFirst([](auto* b, auto* e) { return FindByte(b, e, 0x1B); },
                        [](int b) { return b == 0x1B; }, random);
}

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
