#include <string>

#include "codeset/code_set.h"
#include "codeset/range_tables.h"
#include "gtest/gtest.h"
#include "report/messages.h"
#include "validator_test_util.h"

namespace codvet {
namespace {

TEST(ShiftJis, ReportsExactly) {
  ExpectCases(
      {{"EmptyInputIsValid", "shift_jis", "", ""},
       {"DelInvalidInPureShiftJis", "shift_jis", "ABC\x7f", Line(3, Msg::InvalidCharacter, 0x7F)},
       {"DelValidInCp932", "windows-31j", "ABC\x7f", ""},
       {"LineFeedConsumedAsSecondByte", "shift_jis", "A\x81\nB",
        Line(1, Msg::InvalidCharacter, 0x810A)},
       {"InvalidPairThenAloneLead", "shift_jis", Bytes({0x88, 0x88, 0x9F}),
        Line(0, Msg::InvalidCharacter, 0x8888) + Line(2, Msg::AloneLeadByteSjis, 0x9F)},
       {"UserDefinedAreaConsumesTwoBytes", "windows-31j", Bytes({0xF0, 0x40, 0x41}),
        Line(0, Msg::InvalidCharacter, 0xF040)}});
}

bool IsLead(int b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Every byte followed by every byte: a lead byte makes one pair judged by the
// table, any other byte is judged alone and the second one after it (closed
// with "A" when it is a lead byte itself).
TEST(ShiftJisSweep, EveryFirstByteWithEverySecondByte) {
  for (const char* name : {"shift_jis", "windows-31j"}) {
    CodeSet set;
    if (name[0] == 's') {
      set.LoadRanges(kShiftJisRanges, kShiftJisRangesLength);
    } else {
      set.LoadRanges(kCp932Ranges, kCp932RangesLength);
    }
    SweepPairs(name, "", 0, 255, [&](Sweep& s, int b1, int b2) {
      if (IsLead(b1))
        return s.Add(Bytes({b1, b2}), set.Contains(b1 << 8 | b2), Msg::InvalidCharacter,
                     b1 << 8 | b2);
      s.Add(Bytes({b1}), set.Contains(b1), Msg::InvalidCharacter, b1);
      if (!IsLead(b2)) return s.Add(Bytes({b2}), set.Contains(b2), Msg::InvalidCharacter, b2);
      s.Add(Bytes({b2, 'A'}), set.Contains(b2 << 8 | 'A'), Msg::InvalidCharacter, b2 << 8 | 'A');
    });
  }
}

TEST(ShiftJisTruncation, EveryLeadByteAloneAtTheEnd) {
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLead(lead)) continue;
    ExpectLines("shift_jis", Bytes({0x82, 0xA0, 0x41, lead}),
                Line(3, Msg::AloneLeadByteSjis, lead));
  }
}

}  // namespace
}  // namespace codvet
