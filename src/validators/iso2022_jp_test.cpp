#include <string>

#include "codeset/code_set.h"
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

TEST(Iso2022Jp, ReportsExactly) {
  ExpectCases(
      {{"Empty", "iso-2022-jp", "", ""},
       {"LineBreaksInRoman", "iso-2022-jp", kToRoman + "A\r\n" + kToAscii + "\n",
        Line(4, Msg::LineBreakInNonAscii, 0xD) + Line(5, Msg::LineBreakInNonAscii, 0xA)},
       {"LineBreaksInTwoByteMode", "iso-2022-jp", kTo1983 + "\r\n" + kToAscii,
        Line(3, Msg::ControlInTwoByteMode, 0xD) + Line(4, Msg::ControlInTwoByteMode, 0xA)},
       {"Jis1978Warnings", "iso-2022-jp", kTo1978 + "\x30\x21\x7f\x7f" + kToAscii,
        Line(0, Msg::Jis1978Escape, 0x1B2440) + Line(3, Msg::Jis1978Character, 0x3021) +
            Line(5, Msg::Jis1978Character, 0x7F7F)},
       {"Jis1978EscapeAloneMakesTheInputInvalid", "iso-2022-jp", kTo1978 + kToAscii,
        Line(0, Msg::Jis1978Escape, 0x1B2440)},
       {"LoneEscape", "iso-2022-jp", "\x1b", Line(0, Msg::IncompleteEscape, 0x1B)},
       {"EscapeAndOneByte", "iso-2022-jp", "ab\x1b$", Line(2, Msg::IncompleteEscape, 0x1B24)},
       {"AloneFirstByte", "iso-2022-jp", kTo1983 + "\x30", Line(3, Msg::AloneLeadByteJis, 0x30)},
       {"AloneFirstByteUnder1978", "iso-2022-jp", kTo1978 + "\x30",
        Line(0, Msg::Jis1978Escape, 0x1B2440) + Line(3, Msg::AloneLeadByteJis, 0x30)},
       {"UnknownEscapeBackToAscii", "iso-2022-jp", "\x1b(I1",
        Line(0, Msg::InvalidEscape, 0x1B2849)},
       {"UnknownEscapeFromTwoByteMode", "iso-2022-jp", kTo1983 + "\x1b(I\r\n",
        Line(3, Msg::InvalidEscape, 0x1B2849)},
       {"LongerSequenceTakenAsThreeBytes", "iso-2022-jp", "\x1b$(D\x22\x2f",
        Line(0, Msg::InvalidEscape, 0x1B2428)},
       {"UnknownThenValid", "iso-2022-jp", "\x1b&@" + kTo1983 + "\x30\x21",
        Line(0, Msg::InvalidEscape, 0x1B2640)},
       {"EscapeAsSecondByte", "iso-2022-jp", "\x1b\x1b(B", Line(0, Msg::InvalidEscape, 0x1B1B28)},
       {"EscapeInsidePair", "iso-2022-jp", kTo1983 + "\x30\x1b(B",
        Line(3, Msg::InvalidCharacter, 0x301B) + Line(5, Msg::InvalidCharacter, 0x2842)},
       {"HighBytesInSingleByteModes", "iso-2022-jp", "\x80\xff\xa4\xa2" + kToRoman + "\x80\x0b\x0c",
        ""},
       {"ControlsInTwoByteMode", "iso-2022-jp", kTo1983 + std::string("\x00\x09", 2),
        Line(3, Msg::ControlInTwoByteMode, 0x0) + Line(4, Msg::ControlInTwoByteMode, 0x9)},
       {"RepeatedDesignation", "iso-2022-jp", kTo1983 + kTo1983 + "\x30\x21" + kToRoman + kToRoman,
        ""}});
}

// Seven bits only under the strict rules; the units stay the lenient ones.
TEST(Iso2022JpStrict, ReportsExactly) {
  ExpectCases({
      {"SevenBitText", "iso-2022-jp", "a\x7f" + kTo1983 + "\x30\x21" + kToRoman + "~" + kToAscii,
       "", true},
      {"HighBytesInSingleByteModes", "iso-2022-jp",
       "\xff"
       "A" +
           kToRoman + "\x80\n",
       Line(0, Msg::EightBitInIso2022Jp, 0xFF) + Line(5, Msg::EightBitInIso2022Jp, 0x80) +
           Line(6, Msg::LineBreakInNonAscii, 0xA),
       true},
      {"HighBitsInPairs", "iso-2022-jp", kTo1983 + "\xb0\xa1\x30\xa1\xb0\x21\x30\x21",
       Line(3, Msg::EightBitInIso2022Jp, 0xB0A1) + Line(5, Msg::EightBitInIso2022Jp, 0x30A1) +
           Line(7, Msg::EightBitInIso2022Jp, 0xB021),
       true},
      {"HighBitsUnder1978", "iso-2022-jp", kTo1978 + "\x30\xa1",
       Line(0, Msg::Jis1978Escape, 0x1B2440) + Line(3, Msg::EightBitInIso2022Jp, 0x30A1), true},
      {"EscapeAndCutPairAsBefore", "iso-2022-jp", "\x1b(\xc2" + kTo1983 + "\xb0",
       Line(0, Msg::InvalidEscape, 0x1B28C2) + Line(6, Msg::AloneLeadByteJis, 0xB0), true},
  });
}

// Every pair under JIS X 0208-1983 (ESC as a second byte is a case above): a
// character exactly when both bytes, high bits ignored, are 0x21-0x7E and the
// table has the code.
TEST(Iso2022JpSweep, EveryPairUnder1983) {
  CodeSet primary;
  primary.LoadRanges(kShiftJisRanges, kShiftJisRangesLength);
  SweepPairs("iso-2022-jp", kTo1983, 0x20, 0xFF, [&](Sweep& s, int b1, int b2) {
    if (b2 == 0x1B) return;
    int j1 = b1 & 0x7F, j2 = b2 & 0x7F;
    bool grid = j1 >= 0x21 && j1 <= 0x7E && j2 >= 0x21 && j2 <= 0x7E;
    s.Add(Bytes({b1, b2}), grid && primary.Contains(TextbookShiftJis(j1, j2)),
          Msg::InvalidCharacter, b1 << 8 | b2);
  });
}

}  // namespace
}  // namespace codvet
