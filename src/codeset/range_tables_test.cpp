#include "codeset/range_tables.h"

#include <string>

#include "codeset/code_set.h"
#include "gtest/gtest.h"

#if __has_include(<iconv.h>)
#include <iconv.h>
#endif

namespace codvet {
namespace {

struct Table {
  const char* name;
  const std::uint16_t* values;
  std::int32_t length;
  int members;
  int singleBytes;
};

const Table kTables[] = {
    {"shift_jis", kShiftJisRanges, kShiftJisRangesLength, 7069, 190},
    {"cp932", kCp932Ranges, kCp932RangesLength, 7915, 191},
    {"jisx0212", kJisX0212Ranges, kJisX0212RangesLength, 6067, 0},
};

TEST(RangeTables, MemberCountsOverTheWholeCodeSpace) {
  for (const Table& t : kTables) {
    CodeSet set;
    set.LoadRanges(t.values, t.length);
    int members = 0, single = 0;
    for (std::uint32_t code = 0; code < 0x10000; ++code) {
      if (!set.Contains(code)) continue;
      ++members;
      single += code < 0x100;
    }
    EXPECT_EQ(members, t.members) << t.name;
    EXPECT_EQ(single, t.singleBytes) << t.name;
  }
}

TEST(RangeTables, PairsAscendAndDoNotOverlap) {
  for (const Table& t : kTables) {
    for (std::int32_t i = 0; i < t.length; i += 2) {
      EXPECT_LE(t.values[i], t.values[i + 1]) << t.name << " pair " << i / 2;
      if (i > 0) {
        EXPECT_LT(t.values[i - 1], t.values[i]) << t.name << " pair " << i / 2;
      }
    }
  }
}

// Two-byte codes have a lead byte and a second byte of the encoding, never
// 0x7F; no single byte is a lead byte. JIS X 0212 codes are seven-bit.
TEST(RangeTables, CodesHaveTheShapeOfTheirCodeSpace) {
  for (const Table& t : kTables) {
    CodeSet set;
    set.LoadRanges(t.values, t.length);
    for (std::uint32_t code = 0; code < 0x10000; ++code) {
      if (!set.Contains(code)) continue;
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
  }
}

TEST(RangeTables, MembersAndNonMembers) {
  struct Probe {
    const char* table;
    std::uint32_t code;
    bool member;
  } probes[] = {
      {"shift_jis", 0x7E, true},    {"shift_jis", 0xA1, true},    {"shift_jis", 0xDF, true},
      {"shift_jis", 0x8140, true},  {"shift_jis", 0x81FC, true},  {"shift_jis", 0x889F, true},
      {"shift_jis", 0x9872, true},  {"shift_jis", 0x989F, true},  {"shift_jis", 0xEAA4, true},
      {"shift_jis", 0x7F, false},   {"shift_jis", 0x80, false},   {"shift_jis", 0xA0, false},
      {"shift_jis", 0x817F, false}, {"shift_jis", 0x81AD, false}, {"shift_jis", 0x81FB, false},
      {"shift_jis", 0x8540, false}, {"shift_jis", 0x8740, false}, {"shift_jis", 0x889E, false},
      {"shift_jis", 0x9873, false}, {"shift_jis", 0x989E, false}, {"shift_jis", 0xEAA5, false},
      {"shift_jis", 0xED40, false}, {"cp932", 0x7F, true},        {"cp932", 0x8740, true},
      {"cp932", 0x877E, true},      {"cp932", 0xED40, true},      {"cp932", 0xEEEC, true},
      {"cp932", 0xEEEF, true},      {"cp932", 0xFC4B, true},      {"cp932", 0x80, false},
      {"cp932", 0xA0, false},       {"cp932", 0xFD, false},       {"cp932", 0x875E, false},
      {"cp932", 0x877F, false},     {"cp932", 0xEEED, false},     {"cp932", 0xF040, false},
      {"cp932", 0xF9FC, false},     {"cp932", 0xFC4C, false},     {"jisx0212", 0x222F, true},
      {"jisx0212", 0x2667, true},   {"jisx0212", 0x2921, true},   {"jisx0212", 0x3021, true},
      {"jisx0212", 0x6D63, true},   {"jisx0212", 0x222E, false},  {"jisx0212", 0x2666, false},
      {"jisx0212", 0x2923, false},  {"jisx0212", 0x2B44, false},  {"jisx0212", 0x6D64, false},
      {"jisx0212", 0x6E21, false},  {"jisx0212", 0xB0A1, false},
  };
  for (const Probe& p : probes) {
    for (const Table& t : kTables) {
      if (std::string(t.name) != p.table) continue;
      CodeSet set;
      set.LoadRanges(t.values, t.length);
      EXPECT_EQ(set.Contains(p.code), p.member) << p.table << " " << std::hex << p.code;
    }
  }
}

#if __has_include(<iconv.h>)
// Every two-byte member of the code page 932 table and every JIS X 0212
// member is a character the system's converter knows.
TEST(RangeTables, MembersAreKnownToTheSystemConverter) {
  struct Check {
    const char* from;
    const std::uint16_t* values;
    std::int32_t length;
    bool withSs3;
  } checks[] = {
      {"CP932", kCp932Ranges, kCp932RangesLength, false},
      {"EUC-JP", kJisX0212Ranges, kJisX0212RangesLength, true},
  };
  for (const Check& check : checks) {
    iconv_t cd = iconv_open("UTF-8", check.from);
    if (cd == reinterpret_cast<iconv_t>(-1)) continue;
    CodeSet set;
    set.LoadRanges(check.values, check.length);
    for (std::uint32_t code = 0x100; code < 0x10000; ++code) {
      if (!set.Contains(code)) continue;
      std::string in;
      if (check.withSs3) {
        in = {'\x8f', static_cast<char>((code >> 8) | 0x80),
              static_cast<char>((code & 0xFF) | 0x80)};
      } else {
        in = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
      }
      char out[8];
      char* inPtr = in.data();
      char* outPtr = out;
      size_t inLeft = in.size(), outLeft = sizeof out;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      EXPECT_NE(iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft), static_cast<size_t>(-1))
          << check.from << " " << std::hex << code;
    }
    iconv_close(cd);
  }
}
#endif

}  // namespace
}  // namespace codvet
