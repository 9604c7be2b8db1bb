#include <string>

#include "codeset/code_set.h"
#include "codeset/range_tables.h"
#include "gtest/gtest.h"
#include "report/messages.h"
#include "validator_test_util.h"
#include "validators/encoding_validator.h"

namespace codvet {
namespace {

INSTANTIATE_TEST_SUITE_P(
    ShiftJis, ReportCases,
    ::testing::Values(
        ReportCase{"EmptyInputIsValid", "shift_jis", "", ""},
        ReportCase{"HiraganaThenAscii", "shift_jis", Bytes({0x82, 0xA0, 0x41}), ""},
        ReportCase{"DelInvalidInPureShiftJis", "shift_jis", Bytes({0x41, 0x42, 0x43, 0x7F}),
                   Line(3, MsgInvalidCharacter, 0x7F)},
        ReportCase{"DelValidInCp932", "windows-31j", Bytes({0x41, 0x42, 0x43, 0x7F}), ""},
        ReportCase{"LineFeedConsumedAsSecondByte", "shift_jis", Bytes({0x41, 0x81, 0x0A, 0x42}),
                   Line(1, MsgInvalidCharacter, 0x810A)},
        ReportCase{"LeadByteTakenAsSecondByte", "shift_jis", Bytes({0x81, 0x81}), ""},
        ReportCase{"InvalidPairThenAloneLead", "shift_jis", Bytes({0x88, 0x88, 0x9F}),
                   Line(0, MsgInvalidCharacter, 0x8888) + Line(2, MsgAloneLeadByteSjis, 0x9F)},
        ReportCase{"AloneLeadAtEnd", "shift_jis", Bytes({0x41, 0x42, 0x82}),
                   Line(2, MsgAloneLeadByteSjis, 0x82)},
        ReportCase{"NecRowOnlyInCp932", "shift_jis", Bytes({0x87, 0x40}),
                   Line(0, MsgInvalidCharacter, 0x8740)},
        ReportCase{"NecRowValidInCp932", "windows-31j", Bytes({0x87, 0x40}), ""},
        ReportCase{"UserDefinedAreaConsumesTwoBytes", "windows-31j", Bytes({0xF0, 0x40, 0x41}),
                   Line(0, MsgInvalidCharacter, 0xF040)},
        ReportCase{"FdIsNotALeadByte", "shift_jis", Bytes({0xFD, 0x40}),
                   Line(0, MsgInvalidCharacter, 0xFD)},
        ReportCase{"NeverValidSingleBytes", "windows-31j", Bytes({0x80, 0xA0, 0xFD, 0xFE, 0xFF}),
                   Line(0, MsgInvalidCharacter, 0x80) + Line(1, MsgInvalidCharacter, 0xA0) +
                       Line(2, MsgInvalidCharacter, 0xFD) + Line(3, MsgInvalidCharacter, 0xFE) +
                       Line(4, MsgInvalidCharacter, 0xFF)},
        ReportCase{"SecondBytesNoTableHolds", "windows-31j",
                   Bytes({0x88, 0x3F, 0x88, 0x7F, 0x88, 0xFD, 0x88, 0xFF}),
                   Line(0, MsgInvalidCharacter, 0x883F) + Line(2, MsgInvalidCharacter, 0x887F) +
                       Line(4, MsgInvalidCharacter, 0x88FD) + Line(6, MsgInvalidCharacter, 0x88FF)},
        ReportCase{"HalfWidthKatakana", "shift_jis", Bytes({0xA1, 0xB1, 0xDF}), ""}),
    ReportCaseName);

TEST(IsShiftJisLeadByte, HoldsForExactlyTheTwoRanges) {
  int count = 0;
  for (int b = 0; b < 256; ++b) count += IsShiftJisLeadByte(b);
  EXPECT_EQ(count, 31 + 29);
  EXPECT_FALSE(IsShiftJisLeadByte(0x80));
  EXPECT_TRUE(IsShiftJisLeadByte(0x81));
  EXPECT_TRUE(IsShiftJisLeadByte(0x9F));
  EXPECT_FALSE(IsShiftJisLeadByte(0xA0));
  EXPECT_FALSE(IsShiftJisLeadByte(0xDF));
  EXPECT_TRUE(IsShiftJisLeadByte(0xE0));
  EXPECT_TRUE(IsShiftJisLeadByte(0xFC));
  EXPECT_FALSE(IsShiftJisLeadByte(0xFD));
}

// Every byte followed by every byte: a lead byte makes one pair judged by the
// table, any other byte is judged alone and the second one after it.
TEST(ShiftJisSweep, EveryFirstByteWithEverySecondByte) {
  for (const char* name : {"shift_jis", "windows-31j"}) {
    CodeSet set;
    if (name[0] == 's') {
      set.LoadRanges(kShiftJisRanges, kShiftJisRangesLength);
    } else {
      set.LoadRanges(kCp932Ranges, kCp932RangesLength);
    }
    std::string input;
    std::string expected;
    std::int64_t offset = 0;
    auto single = [&](int b) {
      if (!set.Contains(b)) expected += Line(offset, MsgInvalidCharacter, b);
      offset += 1;
    };
    for (int b1 = 0; b1 < 256; ++b1) {
      for (int b2 = 0; b2 < 256; ++b2) {
        input += Bytes({b1, b2});
        if (IsShiftJisLeadByte(b1)) {
          std::uint32_t code = b1 << 8 | b2;
          if (!set.Contains(code)) expected += Line(offset, MsgInvalidCharacter, code);
          offset += 2;
        } else {
          single(b1);
          // b2 stands at a character boundary: pair it with a byte that
          // forms no code with it if it is a lead byte.
          if (IsShiftJisLeadByte(b2)) {
            input += Bytes({0x41});
            std::uint32_t code = b2 << 8 | 0x41;
            if (!set.Contains(code)) expected += Line(offset, MsgInvalidCharacter, code);
            offset += 2;
          } else {
            single(b2);
          }
        }
      }
    }
    Outcome got = RunValidator(name, input);
    EXPECT_EQ(got.lines, expected) << name;
    EXPECT_EQ(RunValidator(name, input, {7, false}).lines, expected) << name;
  }
}

TEST(ShiftJisTruncation, LeadByteAloneAtTheEndAfterAnyValidPrefix) {
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsShiftJisLeadByte(lead)) continue;
    std::string input = Bytes({0x82, 0xA0, 0x41, lead});
    EXPECT_EQ(RunValidator("shift_jis", input),
              (Outcome{false, Line(3, MsgAloneLeadByteSjis, lead)}));
  }
}

}  // namespace
}  // namespace codvet
