#include "codeset/code_set.h"

#include <cstdint>

#include "gtest/gtest.h"

namespace codvet {
namespace {

int CountMembers(const CodeSet& set) {
  int count = 0;
  for (std::uint32_t code = 0; code < 0x10000; ++code) count += set.Contains(code);
  return count;
}

TEST(CodeSet, StartsEmpty) {
  CodeSet set;
  EXPECT_EQ(CountMembers(set), 0);
}

TEST(CodeSet, CountsBelowOnePairLeaveItEmpty) {
  const std::uint16_t table[] = {0x0000, 0xFFFF};
  for (std::int32_t count : {0, 1, -2}) {
    CodeSet set;
    set.LoadRanges(table, count);
    EXPECT_FALSE(set.Contains(0x0000));
    EXPECT_FALSE(set.Contains(0x0041));
    EXPECT_FALSE(set.Contains(0xFFFF));
  }
}

TEST(CodeSet, WholeRangeEndsAtTheTopWithoutWrapping) {
  const std::uint16_t table[] = {0x0000, 0xFFFF};
  CodeSet set;
  set.LoadRanges(table, 2);
  EXPECT_EQ(CountMembers(set), 0x10000);
}

TEST(CodeSet, PairsAreInclusiveAndNeverSwapped) {
  const std::uint16_t table[] = {5, 5, 20, 10, 0xFFF0, 0xFFFF};
  CodeSet set;
  set.LoadRanges(table, 6);
  EXPECT_TRUE(set.Contains(5));
  EXPECT_FALSE(set.Contains(4));
  EXPECT_FALSE(set.Contains(6));
  EXPECT_FALSE(set.Contains(15));
  EXPECT_EQ(CountMembers(set), 1 + 16);
}

TEST(CodeSet, TrailingOddValueIsNotRead) {
  const std::uint16_t table[] = {1, 2, 9};
  CodeSet set;
  set.LoadRanges(table, 3);
  EXPECT_TRUE(set.Contains(1));
  EXPECT_TRUE(set.Contains(2));
  EXPECT_FALSE(set.Contains(9));
  EXPECT_EQ(CountMembers(set), 2);
}

TEST(CodeSet, OverlapsAndRepeatsMakeAUnion) {
  const std::uint16_t table[] = {10, 20, 15, 25, 10, 20};
  CodeSet set;
  set.LoadRanges(table, 6);
  EXPECT_EQ(CountMembers(set), 16);
}

TEST(CodeSet, EachLoadReplacesTheSet) {
  const std::uint16_t first[] = {0x0000, 0x7FFF};
  const std::uint16_t second[] = {0x8000, 0x8000};
  CodeSet set;
  set.LoadRanges(first, 2);
  set.LoadRanges(second, 2);
  EXPECT_EQ(CountMembers(set), 1);
  EXPECT_TRUE(set.Contains(0x8000));
  set.LoadRanges(second, 0);
  EXPECT_EQ(CountMembers(set), 0);
}

TEST(CodeSet, HighAndLowBytesAreDifferentCodes) {
  const std::uint16_t table[] = {0x0080, 0x0080};
  CodeSet set;
  set.LoadRanges(table, 2);
  EXPECT_TRUE(set.Contains(0x0080));
  EXPECT_FALSE(set.Contains(0x8000));
}

TEST(CodeSet, MostSignificantBitIsTheLowestCode) {
  const std::uint16_t table[] = {8, 8, 0, 0};
  CodeSet set;
  set.LoadRanges(table, 2);
  for (std::size_t i = 0; i < CodeSet::kBytes; ++i) {
    ASSERT_EQ(set.Bits()[i], i == 1 ? 0x80 : 0) << i;
  }
  set.LoadRanges(table, 4);
  EXPECT_EQ(set.Bits()[0], 0x80);
  EXPECT_EQ(set.Bits()[1], 0x80);
}

}  // namespace
}  // namespace codvet
