#include "validators/fast_scan.h"

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

// Every run length up to a few blocks, ended by every kind of byte outside
// the range, for ranges at both ends of the byte values and in the middle.
TEST(SkipInRange, StopsAtTheFirstByteOutside) {
  std::mt19937 random(7);
  for (ByteRange range : {ByteRange{0x00, 0x7F}, ByteRange{0x00, 0x7E}, ByteRange{0x21, 0x7E},
                          ByteRange{0xA1, 0xFE}, ByteRange{0x80, 0xFF}, ByteRange{0x41, 0x41}}) {
    std::vector<std::uint8_t> outside;
    for (int b = 0; b < 256; ++b) {
      if (!range.Holds(static_cast<std::uint8_t>(b)))
        outside.push_back(static_cast<std::uint8_t>(b));
    }
    for (std::size_t length = 0; length < 200; ++length) {
      std::vector<std::uint8_t> bytes(length + 1 + random() % 70);
      for (std::uint8_t& b : bytes) {
        b = static_cast<std::uint8_t>(range.low + random() % (range.high - range.low + 1));
      }
      // Without a stop the run ends at the end.
      EXPECT_EQ(SkipInRange(bytes.data(), bytes.data() + bytes.size(), range),
                bytes.data() + bytes.size());
      bytes[length] = outside[random() % outside.size()];
      if (random() % 2 == 0 && length + 1 < bytes.size()) {
        bytes[length + 1 + random() % (bytes.size() - length - 1)] =
            outside[random() % outside.size()];
      }
      ASSERT_EQ(SkipInRange(bytes.data(), bytes.data() + bytes.size(), range) - bytes.data(),
                static_cast<std::ptrdiff_t>(length))
          << int(range.low) << "-" << int(range.high) << " stop " << int(bytes[length]);
      // Never past the end it is given.
      EXPECT_EQ(SkipInRange(bytes.data(), bytes.data() + length, range), bytes.data() + length);
    }
  }
}

TEST(FindByte, FindsTheFirstOccurrenceOnly) {
  std::mt19937 random(8);
  for (std::size_t length = 0; length < 200; ++length) {
    std::vector<std::uint8_t> bytes(length + 1 + random() % 70);
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(0x1C + random() % 0xE4);  // no 0x1B
    const std::uint8_t* end = bytes.data() + bytes.size();
    EXPECT_EQ(FindByte(bytes.data(), end, 0x1B), end);
    bytes[length] = 0x1B;
    if (length + 1 < bytes.size())
      bytes[length + 1 + random() % (bytes.size() - length - 1)] = 0x1B;
    ASSERT_EQ(FindByte(bytes.data(), end, 0x1B) - bytes.data(),
              static_cast<std::ptrdiff_t>(length));
    EXPECT_EQ(FindByte(bytes.data(), bytes.data() + length, 0x1B), bytes.data() + length);
  }
}

TEST(JisPairSet, AgreesWithTheMappingAndTheSetForEveryPair) {
  CodeSet set;
  set.LoadRanges(kShiftJisRanges, kShiftJisRangesLength);
  for (JisPairSet::SecondByte second :
       {JisPairSet::kHighBitIgnored, JisPairSet::kHighBitRequired}) {
    JisPairSet pairs;
    pairs.Load(set, second);
    int count = 0;
    for (std::uint32_t first = 0; first < 256; ++first) {
      for (std::uint32_t byte = 0; byte < 256; ++byte) {
        std::int32_t code = JisToShiftJis(first << 8 | byte);
        bool expected = code != kInvalidShiftJis &&
                        set.Contains(static_cast<std::uint32_t>(code)) &&
                        (second == JisPairSet::kHighBitIgnored || byte >= 0x80);
        ASSERT_EQ(pairs.Contains(first, byte), expected) << first << " " << byte;
        count += expected;
      }
    }
    // JIS X 0208 in each combination of high bits that counts.
    EXPECT_EQ(count, (second == JisPairSet::kHighBitIgnored ? 4 : 2) * 6879);
  }
}

// The block kernels trust their summaries blindly: every pair a summary
// vouches for must be a character of the set it came from, and nearly all of
// the set's characters should be vouched for.
TEST(BlockSummaries, VouchOnlyForCharactersOfTheSet) {
  for (bool cp932 : {false, true}) {
    CodeSet set;
    set.LoadRanges(cp932 ? kCp932Ranges : kShiftJisRanges,
                   cp932 ? kCp932RangesLength : kShiftJisRangesLength);
    auto vouched = [](const PairRanges& r, int index, int value) {
      return static_cast<std::uint8_t>(value - r.low[index]) < r.count[index];
    };
    ShiftJisSummary summary;
    SummarizeShiftJis(set, summary);
    int pairs = 0;
    int inSet = 0;
    for (std::uint32_t first = 0; first < 256; ++first) {
      bool lead = IsShiftJisLeadByte(static_cast<int>(first));
      if (!lead && (vouched(summary.singles, 0, first) || vouched(summary.singles, 1, first))) {
        EXPECT_TRUE(set.Contains(first)) << first;
      }
      for (std::uint32_t second = 0; lead && second < 256; ++second) {
        inSet += set.Contains(first << 8 | second);
        if (second == 0x7F || !vouched(summary.pairs, first & 0x3F, second)) continue;
        ++pairs;
        ASSERT_TRUE(set.Contains(first << 8 | second)) << first << " " << second;
      }
    }
    EXPECT_GT(pairs, inSet * 9 / 10);
    PairRanges rows;
    SummarizeJisRows(set, rows);
    pairs = 0;
    for (int row = 0; row < 128; ++row) {
      for (int cell = 0; cell < 256; ++cell) {
        if (!vouched(rows, row, cell)) continue;
        ++pairs;
        std::int32_t code = JisToShiftJis(static_cast<std::uint32_t>(row << 8 | cell));
        ASSERT_TRUE(code != kInvalidShiftJis && set.Contains(static_cast<std::uint32_t>(code)))
            << row << " " << cell;
      }
    }
    EXPECT_GT(pairs, 6879 * 9 / 10);  // JIS X 0208
  }
}

}  // namespace
}  // namespace codvet
