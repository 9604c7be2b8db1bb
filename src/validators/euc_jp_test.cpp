#include <string>

#include "codeset/code_set.h"
#include "codeset/range_tables.h"
#include "gtest/gtest.h"
#include "report/messages.h"
#include "validator_test_util.h"

namespace codvet {
namespace {

TEST(EucJp, ReportsExactly) {
  ExpectCases(
      {{"Empty", "euc-jp", "", ""},
       {"SingleBytesNeedNoLookup", "euc-jp", Bytes({0x41, 0x7F, 0x01, 0x0A, 0x0D}), ""},
       {"KanaBounds", "euc-jp", Bytes({0x8E, 0xA1, 0x8E, 0xDF}), ""},
       {"KanaOutOfRange", "euc-jp", Bytes({0x8E, 0xE0, 0x8E, 0xA0, 0x8E, 0x41, 0x42}),
        Line(0, Msg::InvalidKanaCharacter, 0x8EE0) + Line(2, Msg::InvalidKanaCharacter, 0x8EA0) +
            Line(4, Msg::InvalidKanaCharacter, 0x8E41)},
       {"Ss3TakesSs3", "euc-jp", Bytes({0x8F, 0x8F, 0xA1, 0xA1}),
        Line(0, Msg::InvalidJisX0212Character, 0x8F8FA1) + Line(3, Msg::AloneJisX0208Pair, 0xA1)},
       {"Ss2TakesSs2", "euc-jp", Bytes({0x8E, 0x8E, 0xA1}),
        Line(0, Msg::InvalidKanaCharacter, 0x8E8E) + Line(2, Msg::AloneJisX0208Pair, 0xA1)},
       {"AloneSs2", "euc-jp", Bytes({0x61, 0x8E}), Line(1, Msg::AloneSs2, 0x8E)},
       {"AloneSs3", "euc-jp", Bytes({0x61, 0x8F}), Line(1, Msg::AloneSs3, 0x8F)},
       {"Ss3AndOneByte", "euc-jp", Bytes({0x61, 0x8F, 0xB0}),
        Line(1, Msg::AloneJisX0212Pair, 0x8FB0)},
       {"Ss3AndOneLowByte", "euc-jp", Bytes({0x8F, 0x0A}), Line(0, Msg::AloneJisX0212Pair, 0x8F0A)},
       {"AloneFirstByte", "euc-jp", Bytes({0x61, 0xB0}), Line(1, Msg::AloneJisX0208Pair, 0xB0)}});
}

// Every first byte from 0x80 but SS2 and SS3 with every second byte: a
// character exactly when both bytes are 0xA1-0xFE and the table has the code.
TEST(EucJpSweep, EveryTwoByteCharacter) {
  CodeSet primary;
  primary.LoadRanges(kShiftJisRanges, kShiftJisRangesLength);
  SweepPairs("euc-jp", "", 0x80, 0xFF, [&](Sweep& s, int b1, int b2) {
    if (b1 == 0x8E || b1 == 0x8F) return;
    bool grid = b1 >= 0xA1 && b1 <= 0xFE && b2 >= 0xA1 && b2 <= 0xFE;
    bool ok = grid && primary.Contains(TextbookShiftJis(b1 - 0x80, b2 - 0x80));
    s.Add(Bytes({b1, b2}), ok, Msg::InvalidCharacter, b1 << 8 | b2);
  });
}

// Every SS3 character: valid exactly when both bytes have the high bit and
// the seven-bit code is a JIS X 0212 character.
TEST(EucJpSweep, EverySupplementaryCharacter) {
  CodeSet secondary;
  secondary.LoadRanges(kJisX0212Ranges, kJisX0212RangesLength);
  SweepPairs("euc-jp", "", 0, 255, [&](Sweep& s, int b1, int b2) {
    bool ok = b1 >= 0x80 && b2 >= 0x80 && secondary.Contains((b1 - 0x80) << 8 | (b2 - 0x80));
    s.Add(Bytes({0x8F, b1, b2}), ok, Msg::InvalidJisX0212Character, 0x8F0000 | b1 << 8 | b2);
  });
}

}  // namespace
}  // namespace codvet
