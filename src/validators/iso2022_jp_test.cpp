#include <string>

#include "codeset/code_set.h"
#include "codeset/jis_to_shift_jis.h"
#include "codeset/range_tables.h"
#include "gtest/gtest.h"
#include "report/messages.h"
#include "validator_test_util.h"

namespace codvet {
namespace {

const std::string kToAscii = "\x1b(B";
const std::string kToRoman = "\x1b(J";
const std::string kTo1978 = "\x1b$@";
const std::string kTo1983 = "\x1b$B";

INSTANTIATE_TEST_SUITE_P(
    Iso2022Jp, ReportCases,
    ::testing::Values(
        ReportCase{"Empty", "iso-2022-jp", "", ""},
        ReportCase{"ValidKanji", "iso-2022-jp", kTo1983 + "\x30\x21" + kToAscii, ""},
        ReportCase{"EndsInTwoByteMode", "iso-2022-jp", kTo1983 + "\x30\x21", ""},
        ReportCase{"InvalidKanji", "iso-2022-jp", kTo1983 + "\x22\x2f" + kToAscii,
                   Line(3, MsgInvalidCharacter, 0x222F)},
        ReportCase{"LineBreaksInRoman", "iso-2022-jp", kToRoman + "A\r\n" + kToAscii,
                   Line(4, MsgLineBreakInNonAscii, 0xD) + Line(5, MsgLineBreakInNonAscii, 0xA)},
        ReportCase{"LineBreaksInTwoByteMode", "iso-2022-jp", kTo1983 + "\r\n" + kToAscii,
                   Line(3, MsgControlInTwoByteMode, 0xD) + Line(4, MsgControlInTwoByteMode, 0xA)},
        ReportCase{"Jis1978Warnings", "iso-2022-jp", kTo1978 + "\x30\x21" + kToAscii,
                   Line(0, MsgJis1978Escape, 0x1B2440) + Line(3, MsgJis1978Character, 0x3021)},
        ReportCase{"Jis1978NeverLooksUp", "iso-2022-jp", kTo1978 + "\x7f\x7f",
                   Line(0, MsgJis1978Escape, 0x1B2440) + Line(3, MsgJis1978Character, 0x7F7F)},
        ReportCase{"LoneEscape", "iso-2022-jp", "\x1b", Line(0, MsgIncompleteEscape, 0x1B)},
        ReportCase{"EscapeAndOneByte", "iso-2022-jp", "ab\x1b$",
                   Line(2, MsgIncompleteEscape, 0x1B24)},
        ReportCase{"AloneFirstByte", "iso-2022-jp", kTo1983 + "\x30",
                   Line(3, MsgAloneLeadByteJis, 0x30)},
        ReportCase{"AloneFirstByteUnder1978", "iso-2022-jp", kTo1978 + "\x30",
                   Line(0, MsgJis1978Escape, 0x1B2440) + Line(3, MsgAloneLeadByteJis, 0x30)},
        ReportCase{"UnknownEscapeBackToAscii", "iso-2022-jp", "\x1b(I1",
                   Line(0, MsgInvalidEscape, 0x1B2849)},
        ReportCase{"UnknownEscapeFromTwoByteMode", "iso-2022-jp", kTo1983 + "\x1b(I\r\n",
                   Line(3, MsgInvalidEscape, 0x1B2849)},
        ReportCase{"LongerSequenceTakenAsThreeBytes", "iso-2022-jp", "\x1b$(D\x22\x2f",
                   Line(0, MsgInvalidEscape, 0x1B2428)},
        ReportCase{"UnknownThenValid", "iso-2022-jp", "\x1b&@" + kTo1983 + "\x30\x21",
                   Line(0, MsgInvalidEscape, 0x1B2640)},
        ReportCase{"EscapeAsSecondByte", "iso-2022-jp", "\x1b\x1b(B",
                   Line(0, MsgInvalidEscape, 0x1B1B28)},
        ReportCase{"EscapeInsidePair", "iso-2022-jp", kTo1983 + "\x30\x1b(B",
                   Line(3, MsgInvalidCharacter, 0x301B) + Line(5, MsgInvalidCharacter, 0x2842)},
        ReportCase{"HighBytesInSingleByteModes", "iso-2022-jp",
                   "\x80\xff\xa4\xa2" + kToRoman + "\x80\x0b\x0c", ""},
        ReportCase{"HighBitsIgnoredByMapping", "iso-2022-jp", kTo1983 + "\xb0\xa1", ""},
        ReportCase{"BlankOpensAPair", "iso-2022-jp", kTo1983 + " A",
                   Line(3, MsgInvalidCharacter, 0x2041)},
        ReportCase{"DelSecondByte", "iso-2022-jp", kTo1983 + "\x21\x7f",
                   Line(3, MsgInvalidCharacter, 0x217F)},
        ReportCase{"BlankSecondByte", "iso-2022-jp", kTo1983 + "\x22\x20",
                   Line(3, MsgInvalidCharacter, 0x2220)},
        ReportCase{"LineFeedSecondByte", "iso-2022-jp", kTo1983 + "\x22\x0a",
                   Line(3, MsgInvalidCharacter, 0x220A)},
        ReportCase{"HighPair", "iso-2022-jp", kTo1983 + "\xff\xff",
                   Line(3, MsgInvalidCharacter, 0xFFFF)},
        ReportCase{"ControlsInTwoByteMode", "iso-2022-jp", kTo1983 + std::string("\x00\x09", 2),
                   Line(3, MsgControlInTwoByteMode, 0x0) + Line(4, MsgControlInTwoByteMode, 0x9)},
        ReportCase{"RepeatedDesignation", "iso-2022-jp",
                   kTo1983 + kTo1983 + "\x30\x21" + kToRoman + kToRoman, ""}),
    ReportCaseName);

TEST(Iso2022JpModes, EveryInputStartsInAscii) {
  // A line feed is fine in ASCII even though the previous input ended in
  // JIS X 0201 Roman.
  EXPECT_FALSE(RunValidator("iso-2022-jp", kToRoman + "\n").valid);
  EXPECT_TRUE(RunValidator("iso-2022-jp", "\n").valid);
}

// Every pair under JIS X 0208-1983, against the mapping and the table.
TEST(Iso2022JpSweep, EveryPairUnder1983) {
  CodeSet primary;
  primary.LoadRanges(kShiftJisRanges, kShiftJisRangesLength);
  std::string input = kTo1983;
  std::string expected;
  std::int64_t offset = 3;
  for (int first = 0x20; first < 256; ++first) {
    for (int second = 0; second < 256; ++second) {
      if (second == 0x1B) continue;  // tested on its own above
      input += Bytes({first, second});
      std::int32_t code = JisToShiftJis(first << 8 | second);
      if (code == kInvalidShiftJis || !primary.Contains(code)) {
        expected += Line(offset, MsgInvalidCharacter, first << 8 | second);
      }
      offset += 2;
    }
  }
  EXPECT_EQ(RunValidator("iso-2022-jp", input).lines, expected);
}

}  // namespace
}  // namespace codvet
