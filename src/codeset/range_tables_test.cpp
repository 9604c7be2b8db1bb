#include "codeset/range_tables.h"

#include <string>
#include <vector>

#include "codeset/code_set.h"
#include "gtest/gtest.h"
#include "validator_test_util.h"

namespace codvet {
namespace {

struct Table {
  const char* name;
  const std::uint16_t* values;
  std::int32_t length;
  int members;
  int singleBytes;
  // Codes on either side of the edges the tables must draw.
  std::vector<std::uint32_t> in, out;
};

const Table kTables[] = {
    {"shift_jis",
     kShiftJisRanges,
     kShiftJisRangesLength,
     7069,
     190,
     {0x7E, 0xA1, 0xDF, 0x8140, 0x81FC, 0x889F, 0x9872, 0x989F, 0xEAA4},
     {0x7F, 0x80, 0xA0, 0x817F, 0x81AD, 0x8540, 0x8740, 0x889E, 0x9873, 0xEAA5, 0xED40}},
    {"cp932",
     kCp932Ranges,
     kCp932RangesLength,
     7915,
     191,
     {0x7F, 0x8740, 0x877E, 0xED40, 0xEEEC, 0xEEEF, 0xFC4B},
     {0x80, 0xA0, 0xFD, 0x875E, 0x877F, 0xEEED, 0xF040, 0xF9FC, 0xFC4C}},
    {"jisx0212",
     kJisX0212Ranges,
     kJisX0212RangesLength,
     6067,
     0,
     {0x222F, 0x2667, 0x2921, 0x3021, 0x6D63},
     {0x222E, 0x2666, 0x2923, 0x2B44, 0x6D64, 0x6E21, 0xB0A1}},
};

// The size of each set, its edges, and the shape of its codes: two-byte
// codes have a lead byte and a second byte of the encoding, never 0x7F, no
// single byte is a lead byte, and JIS X 0212 codes are seven-bit.
TEST(RangeTables, MembersEdgesAndShape) {
  for (const Table& t : kTables) {
    CodeSet set;
    set.LoadRanges(t.values, t.length);
    for (std::uint32_t code : t.in) EXPECT_TRUE(set.Contains(code)) << t.name << std::hex << code;
    for (std::uint32_t code : t.out) EXPECT_FALSE(set.Contains(code)) << t.name << std::hex << code;
    int members = 0, single = 0;
    for (std::uint32_t code = 0; code < 0x10000; ++code) {
      if (!set.Contains(code)) continue;
      ++members;
      single += code < 0x100;
      int hi = code >> 8, lo = code & 0xFF;
      if (t.singleBytes == 0) {
        ASSERT_TRUE(hi >= 0x21 && hi <= 0x7E && lo >= 0x21 && lo <= 0x7E) << std::hex << code;
      } else if (hi == 0) {
        ASSERT_FALSE((lo >= 0x81 && lo <= 0x9F) || lo >= 0xE0) << std::hex << code;
      } else {
        ASSERT_TRUE((hi >= 0x81 && hi <= 0x9F) || (hi >= 0xE0 && hi <= 0xFC)) << std::hex << code;
        ASSERT_TRUE((lo >= 0x40 && lo <= 0x7E) || (lo >= 0x80 && lo <= 0xFC)) << std::hex << code;
      }
    }
    EXPECT_EQ(members, t.members) << t.name;
    EXPECT_EQ(single, t.singleBytes) << t.name;
  }
}

// Every two-byte member of the code page 932 table and every JIS X 0212
// member is a character the system's converter knows.
TEST(RangeTables, MembersAreKnownToTheSystemConverter) {
  for (const Table& t : {kTables[1], kTables[2]}) {
    const char* from = t.singleBytes == 0 ? "EUC-JP" : "CP932";
    if (!Convert(from, "UTF-8", "")) continue;
    CodeSet set;
    set.LoadRanges(t.values, t.length);
    for (int code = 0x100; code < 0x10000; ++code) {
      if (!set.Contains(code)) continue;
      std::string in = t.singleBytes == 0 ? Bytes({0x8F, (code >> 8) | 0x80, (code & 0xFF) | 0x80})
                                          : Bytes({code >> 8, code & 0xFF});
      EXPECT_TRUE(Convert(from, "UTF-8", in)) << from << " " << std::hex << code;
    }
  }
}

}  // namespace
}  // namespace codvet
