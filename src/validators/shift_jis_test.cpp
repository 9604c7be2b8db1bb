#include <string>

#include "codeset/code_set.h"
#include "codeset/range_tables.h"
#include "gtest/gtest.h"
#include "report/messages.h"
#include "validator_test_util.h"

namespace codvet {
namespace {

bool IsLead(int b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Every byte followed by every byte: a lead byte makes one pair judged by the
// table, any other byte is judged alone and the second one after it (closed
// with "A" when it is a lead byte itself).
TEST(ShiftJisSweep, EveryFirstByteWithEverySecondByte) {
  for (const char* name : {"shift_jis", "windows-31j"}) {
    bool pure = name[0] == 's';
    CodeSet set;
    set.LoadRanges(pure ? kShiftJisRanges : kCp932Ranges,
                   pure ? kShiftJisRangesLength : kCp932RangesLength);
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
