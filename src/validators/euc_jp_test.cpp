#include <string>

#include "codeset/code_set.h"
#include "codeset/jis_to_shift_jis.h"
#include "codeset/range_tables.h"
#include "gtest/gtest.h"
#include "report/messages.h"
#include "validator_test_util.h"

namespace codvet {
namespace {

INSTANTIATE_TEST_SUITE_P(
    EucJp, ReportCases,
    ::testing::Values(
        ReportCase{"Empty", "euc-jp", "", ""},
        ReportCase{"SingleBytesNeedNoLookup", "euc-jp", Bytes({0x41, 0x7F, 0x01, 0x0A, 0x0D}), ""},
        ReportCase{"ValidPairs", "euc-jp",
                   Bytes({0xA4, 0xA2, 0xB0, 0xA1, 0xCF, 0xD3, 0xD0, 0xA1, 0xF4, 0xA6}), ""},
        ReportCase{"PairsTheTableLacks", "euc-jp",
                   Bytes({0xCF, 0xD4, 0xF4, 0xA7, 0xF5, 0xA1, 0xA9, 0xA1, 0xAD, 0xA1}),
                   Line(0, MsgInvalidCharacter, 0xCFD4) + Line(2, MsgInvalidCharacter, 0xF4A7) +
                       Line(4, MsgInvalidCharacter, 0xF5A1) + Line(6, MsgInvalidCharacter, 0xA9A1) +
                       Line(8, MsgInvalidCharacter, 0xADA1)},
        ReportCase{"OutsideTheGrid", "euc-jp", Bytes({0xA1, 0xA1, 0xFE, 0xFE}),
                   Line(2, MsgInvalidCharacter, 0xFEFE)},
        ReportCase{"LowSecondByteConsumed", "euc-jp", Bytes({0xA4, 0x41, 0x42}),
                   Line(0, MsgInvalidCharacter, 0xA441)},
        ReportCase{"MarkerPairs", "euc-jp",
                   Bytes({0xA2, 0xA0, 0xA1, 0xFF, 0xA1, 0x8E, 0x80, 0xA1, 0xA0, 0xA1, 0xFF, 0xFF}),
                   Line(0, MsgInvalidCharacter, 0xA2A0) + Line(2, MsgInvalidCharacter, 0xA1FF) +
                       Line(4, MsgInvalidCharacter, 0xA18E) + Line(6, MsgInvalidCharacter, 0x80A1) +
                       Line(8, MsgInvalidCharacter, 0xA0A1) +
                       Line(10, MsgInvalidCharacter, 0xFFFF)},
        ReportCase{"KanaBounds", "euc-jp", Bytes({0x8E, 0xA1, 0x8E, 0xDF}), ""},
        ReportCase{"KanaOutOfRange", "euc-jp", Bytes({0x8E, 0xE0, 0x8E, 0xA0, 0x8E, 0x41, 0x42}),
                   Line(0, MsgInvalidKanaCharacter, 0x8EE0) +
                       Line(2, MsgInvalidKanaCharacter, 0x8EA0) +
                       Line(4, MsgInvalidKanaCharacter, 0x8E41)},
        ReportCase{"SupplementaryValid", "euc-jp",
                   Bytes({0x8F, 0xB0, 0xA1, 0x8F, 0xA2, 0xAF, 0x8F, 0xED, 0xE3}), ""},
        ReportCase{"SupplementaryInvalid", "euc-jp",
                   Bytes({0x8F, 0xA2, 0xAE, 0x8F, 0xED, 0xE4, 0x8F, 0x30, 0x21}),
                   Line(0, MsgInvalidJisX0212Character, 0x8FA2AE) +
                       Line(3, MsgInvalidJisX0212Character, 0x8FEDE4) +
                       Line(6, MsgInvalidJisX0212Character, 0x8F3021)},
        ReportCase{"SupplementaryOneLowByte", "euc-jp", Bytes({0x8F, 0xB0, 0x21, 0x8F, 0x30, 0xA1}),
                   Line(0, MsgInvalidJisX0212Character, 0x8FB021) +
                       Line(3, MsgInvalidJisX0212Character, 0x8F30A1)},
        ReportCase{"AfterSupplementary", "euc-jp", Bytes({0x8F, 0xB0, 0xA1, 0xA4, 0x41}),
                   Line(3, MsgInvalidCharacter, 0xA441)},
        ReportCase{
            "Ss3TakesSs3", "euc-jp", Bytes({0x8F, 0x8F, 0xA1, 0xA1}),
            Line(0, MsgInvalidJisX0212Character, 0x8F8FA1) + Line(3, MsgAloneJisX0208Pair, 0xA1)},
        ReportCase{"Ss2TakesSs2", "euc-jp", Bytes({0x8E, 0x8E, 0xA1}),
                   Line(0, MsgInvalidKanaCharacter, 0x8E8E) + Line(2, MsgAloneJisX0208Pair, 0xA1)},
        ReportCase{"AloneSs2", "euc-jp", Bytes({0x61, 0x8E}), Line(1, MsgAloneSs2, 0x8E)},
        ReportCase{"AloneSs3", "euc-jp", Bytes({0x61, 0x8F}), Line(1, MsgAloneSs3, 0x8F)},
        ReportCase{"Ss3AndOneByte", "euc-jp", Bytes({0x61, 0x8F, 0xB0}),
                   Line(1, MsgAloneJisX0212Pair, 0x8FB0)},
        ReportCase{"Ss3AndOneLowByte", "euc-jp", Bytes({0x8F, 0x0A}),
                   Line(0, MsgAloneJisX0212Pair, 0x8F0A)},
        ReportCase{"AloneFirstByte", "euc-jp", Bytes({0x61, 0xB0}),
                   Line(1, MsgAloneJisX0208Pair, 0xB0)}),
    ReportCaseName);

// Every first byte from 0x80 with every second byte, against the mapping and
// the table loaded by hand.
TEST(EucJpSweep, EveryTwoByteCharacter) {
  CodeSet primary;
  primary.LoadRanges(kShiftJisRanges, kShiftJisRangesLength);
  std::string input;
  std::string expected;
  std::int64_t offset = 0;
  for (int b0 = 0x80; b0 < 256; ++b0) {
    if (b0 == 0x8E || b0 == 0x8F) continue;
    for (int b1 = 0; b1 < 256; ++b1) {
      input += Bytes({b0, b1});
      std::int32_t code = b1 < 0x80 ? kInvalidShiftJis : JisToShiftJis(b0 << 8 | b1);
      if (code == kInvalidShiftJis || !primary.Contains(code)) {
        expected += Line(offset, MsgInvalidCharacter, b0 << 8 | b1);
      }
      offset += 2;
    }
  }
  Outcome got = RunValidator("euc-jp", input);
  EXPECT_EQ(got.lines, expected);
  EXPECT_EQ(RunValidator("euc-jp", input, {9, false}).lines, expected);
}

// Every SS3 character: valid exactly when both bytes have the high bit and
// the seven-bit code is a JIS X 0212 character.
TEST(EucJpSweep, EverySupplementaryCharacter) {
  CodeSet secondary;
  secondary.LoadRanges(kJisX0212Ranges, kJisX0212RangesLength);
  std::string input;
  std::string expected;
  int valid = 0;
  for (int b1 = 0; b1 < 256; ++b1) {
    for (int b2 = 0; b2 < 256; ++b2) {
      input += Bytes({0x8F, b1, b2});
      bool ok = b1 >= 0x80 && b2 >= 0x80 && secondary.Contains((b1 - 0x80) << 8 | (b2 - 0x80));
      valid += ok;
      if (!ok)
        expected += Line(3 * (b1 * 256 + b2), MsgInvalidJisX0212Character, 0x8F0000 | b1 << 8 | b2);
    }
  }
  EXPECT_EQ(valid, 6067);
  EXPECT_EQ(RunValidator("euc-jp", input).lines, expected);
}

}  // namespace
}  // namespace codvet
