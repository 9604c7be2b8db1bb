#include <string>

#include "gtest/gtest.h"
#include "report/messages.h"
#include "validator_test_util.h"

namespace codvet {
namespace {

TEST(Utf16, ReportsExactly) {
  ExpectCases(
      {{"EmptyDetect", "utf16", "", ""},
       {"BigEndianMarkAndPair", "utf16", Bytes({0xFE, 0xFF, 0x00, 0x41, 0xD8, 0x00, 0xDC, 0x00}),
        ""},
       {"LittleEndianMark", "utf16", Bytes({0xFF, 0xFE, 0x41, 0x00}), ""},
       {"NoMarkLoneTrail", "utf16", Bytes({0x00, 0xDC}), Line(0, Msg::LoneTrailSurrogate, 0xDC00)},
       {"MarkThenReversedMark", "utf16", Bytes({0xFF, 0xFE, 0xFE, 0xFF}),
        Line(2, Msg::FffeMustNotAppear, 0xFFFE)},
       {"DetectionOnlyAtTheStart", "utf16", Bytes({0x41, 0x00, 0xFE, 0xFF, 0xFF, 0xFE}),
        Line(2, Msg::FffeMustNotAppear, 0xFFFE)},
       {"LeadAsPartnerIsConsumed", "utf16be", Bytes({0xD8, 0x00, 0xD8, 0x00, 0xDC, 0x00}),
        Line(0, Msg::InvalidTrailSurrogate, 0xD800) + Line(4, Msg::LoneTrailSurrogate, 0xDC00)},
       {"FffeAsPartner", "utf16be", Bytes({0xD8, 0x00, 0xFF, 0xFE}),
        Line(0, Msg::InvalidTrailSurrogate, 0xFFFE)},
       {"TruncatedUnitAfterMark", "utf16", Bytes({0xFE, 0xFF, 0x00}),
        Line(2, Msg::IncompleteCharacterUtf16, 0x0)},
       {"TruncatedPairAfterMark", "utf16", Bytes({0xFE, 0xFF, 0xD8, 0x00}),
        Line(2, Msg::IncompleteCharacterUtf16, 0xD800)},
       {"TruncatedPartnerAfterMark", "utf16", Bytes({0xFE, 0xFF, 0xD8, 0x00, 0xDC}),
        Line(2, Msg::IncompleteCharacterUtf16, 0xDC)},
       {"TruncatedPartnerLittleEndian", "utf16le", Bytes({0x00, 0xD8, 0x41}),
        Line(0, Msg::IncompleteCharacterUtf16, 0x41)},
       {"TruncatedLeadLittleEndian", "utf16le", Bytes({0x00, 0xD8}),
        Line(0, Msg::IncompleteCharacterUtf16, 0xD800)},
       {"OneByteDetect", "utf16", Bytes({0x41}), Line(0, Msg::IncompleteCharacterUtf16, 0x41)},
       {"OneByteBigEndian", "utf16be", Bytes({0x41}),
        Line(0, Msg::IncompleteCharacterUtf16, 0x41)}});
}

// Every unit in both byte orders, each followed by a plain unit, and each
// leading surrogate with every trailing one: the class of the unit alone
// decides the report.
TEST(Utf16Sweep, EveryUnitInBothByteOrders) {
  for (bool big : {true, false}) {
    auto unit = [big](int u) {
      return big ? Bytes({u >> 8, u & 0xFF}) : Bytes({u & 0xFF, u >> 8});
    };
    SweepPairs(big ? "utf16be" : "utf16le", "", 0, 255, [&](Sweep& s, int hi, int lo) {
      int u = hi << 8 | lo;
      std::string bytes = unit(u) + unit(0x41);
      if (u >= 0xD800 && u <= 0xDBFF) {
        s.Add(bytes, false, Msg::InvalidTrailSurrogate, 0x41);
        s.Add(unit(u) + unit(0xDC00 | (u & 0x3FF)));
      } else if (u >= 0xDC00 && u <= 0xDFFF) {
        s.Add(unit(0xDBFF) + unit(u));
        s.Add(bytes, false, Msg::LoneTrailSurrogate, u);
      } else {
        s.Add(bytes, u != 0xFFFE, Msg::FffeMustNotAppear, 0xFFFE);
      }
    });
  }
}

}  // namespace
}  // namespace codvet
