#include <string>

#include "gtest/gtest.h"
#include "report/messages.h"
#include "report/report_sink.h"
#include "validator_test_util.h"
#include "validators/encoding_validator.h"

namespace codvet {
namespace {

INSTANTIATE_TEST_SUITE_P(
    Utf16, ReportCases,
    ::testing::Values(
        ReportCase{"BigEndianMarkAndPair", "utf16",
                   Bytes({0xFE, 0xFF, 0x00, 0x41, 0xD8, 0x00, 0xDC, 0x00}), ""},
        ReportCase{"LittleEndianMark", "utf16", Bytes({0xFF, 0xFE, 0x41, 0x00}), ""},
        ReportCase{"NoMarkMeansLittleEndian", "utf16", Bytes({0x00, 0x41, 0x00, 0x42}), ""},
        ReportCase{"NoMarkLoneTrail", "utf16", Bytes({0x00, 0xDC}),
                   Line(0, MsgLoneTrailSurrogate, 0xDC00)},
        ReportCase{"MarkThenReversedMark", "utf16", Bytes({0xFF, 0xFE, 0xFE, 0xFF}),
                   Line(2, MsgFffeMustNotAppear, 0xFFFE)},
        ReportCase{"ReversedMarkBigEndian", "utf16be", Bytes({0xFF, 0xFE}),
                   Line(0, MsgFffeMustNotAppear, 0xFFFE)},
        ReportCase{"ReversedMarkLittleEndian", "utf16le", Bytes({0xFE, 0xFF}),
                   Line(0, MsgFffeMustNotAppear, 0xFFFE)},
        ReportCase{"MarkAndFfffAnywhere", "utf16be", Bytes({0x00, 0x41, 0xFE, 0xFF, 0xFF, 0xFF}),
                   ""},
        ReportCase{"PairBoundsBigEndian", "utf16be",
                   Bytes({0xD8, 0x00, 0xDC, 0x00, 0xDB, 0xFF, 0xDF, 0xFF}), ""},
        ReportCase{"PairBoundsLittleEndian", "utf16le",
                   Bytes({0x00, 0xD8, 0x00, 0xDC, 0xFF, 0xDB, 0xFF, 0xDF}), ""},
        ReportCase{
            "WrongPartnerThenLoneTrail", "utf16be", Bytes({0xD8, 0x00, 0x00, 0x41, 0xDC, 0x00}),
            Line(0, MsgInvalidTrailSurrogate, 0x41) + Line(4, MsgLoneTrailSurrogate, 0xDC00)},
        ReportCase{
            "LeadAsPartnerIsConsumed", "utf16be", Bytes({0xD8, 0x00, 0xD8, 0x00, 0xDC, 0x00}),
            Line(0, MsgInvalidTrailSurrogate, 0xD800) + Line(4, MsgLoneTrailSurrogate, 0xDC00)},
        ReportCase{"FffeAsPartner", "utf16be", Bytes({0xD8, 0x00, 0xFF, 0xFE}),
                   Line(0, MsgInvalidTrailSurrogate, 0xFFFE)},
        ReportCase{"FffeInTheMiddle", "utf16be", Bytes({0x00, 0x41, 0xFF, 0xFE, 0x00, 0x42}),
                   Line(2, MsgFffeMustNotAppear, 0xFFFE)},
        ReportCase{"PartnerValueInByteOrder", "utf16le", Bytes({0x00, 0xD8, 0x41, 0x00}),
                   Line(0, MsgInvalidTrailSurrogate, 0x41)},
        ReportCase{"TruncatedUnitAfterMark", "utf16", Bytes({0xFE, 0xFF, 0x00}),
                   Line(2, MsgIncompleteCharacterUtf16, 0x0)},
        ReportCase{"TruncatedPairAfterMark", "utf16", Bytes({0xFE, 0xFF, 0xD8, 0x00}),
                   Line(2, MsgIncompleteCharacterUtf16, 0xD800)},
        ReportCase{"TruncatedPartnerAfterMark", "utf16", Bytes({0xFE, 0xFF, 0xD8, 0x00, 0xDC}),
                   Line(2, MsgIncompleteCharacterUtf16, 0xDC)},
        ReportCase{"TruncatedPartnerLittleEndian", "utf16le", Bytes({0x00, 0xD8, 0x41}),
                   Line(0, MsgIncompleteCharacterUtf16, 0x41)},
        ReportCase{"TruncatedLeadLittleEndian", "utf16le", Bytes({0x00, 0xD8}),
                   Line(0, MsgIncompleteCharacterUtf16, 0xD800)},
        ReportCase{"OneByteDetect", "utf16", Bytes({0x41}),
                   Line(0, MsgIncompleteCharacterUtf16, 0x41)},
        ReportCase{"OneByteBigEndian", "utf16be", Bytes({0x41}),
                   Line(0, MsgIncompleteCharacterUtf16, 0x41)},
        ReportCase{"OneByteLittleEndian", "utf16le", Bytes({0x41}),
                   Line(0, MsgIncompleteCharacterUtf16, 0x41)},
        ReportCase{"EmptyDetect", "utf16", "", ""},
        ReportCase{"MarkOnly", "utf16", Bytes({0xFE, 0xFF}), ""},
        ReportCase{"DetectionOnlyAtTheStart", "utf16", Bytes({0x41, 0x00, 0xFE, 0xFF, 0xFF, 0xFE}),
                   Line(2, MsgFffeMustNotAppear, 0xFFFE)}),
    ReportCaseName);

// Every unit in both byte orders, each followed by a plain unit: the class of
// the unit alone decides the report.
TEST(Utf16Sweep, EveryUnitInBothByteOrders) {
  for (bool big : {true, false}) {
    std::string input;
    std::string expected;
    std::int64_t offset = 0;
    for (std::uint32_t unit = 0; unit < 0x10000; ++unit) {
      int hi = static_cast<int>(unit >> 8), lo = static_cast<int>(unit & 0xFF);
      input += big ? Bytes({hi, lo, 0x00, 0x41}) : Bytes({lo, hi, 0x41, 0x00});
      if (unit == 0xFFFE) {
        expected += Line(offset, MsgFffeMustNotAppear, 0xFFFE);
      } else if (unit >= 0xD800 && unit <= 0xDBFF) {
        expected += Line(offset, MsgInvalidTrailSurrogate, 0x0041);
      } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
        expected += Line(offset, MsgLoneTrailSurrogate, unit);
      }
      offset += 4;
    }
    EXPECT_EQ(RunValidator(big ? "utf16be" : "utf16le", input).lines, expected) << big;
    EXPECT_EQ(RunValidator(big ? "utf16be" : "utf16le", input, {3, false}).lines, expected) << big;
  }
}

// A byte order outside the enumeration can only come from a direct call.
TEST(Utf16ByteOrderOutsideTheEnumeration, ReportsUncertainEndian) {
  struct Run {
    std::string bytes;
    bool valid;
    std::string lines;
  } runs[] = {
      {"", true, ""},
      {Bytes({0x41}), false, Line(0, MsgIncompleteCharacterUtf16, 0x41)},
      {Bytes({0x41, 0x00, 0xFF, 0xFE}), false, LineNoValue(0, MsgUncertainEndian)},
  };
  for (const Run& run : runs) {
    std::string lines;
    bool valid;
    {
      ReportSink sink(&lines);
      EncodingValidator validator(&sink);
      ByteInput input(16);
      input.OpenMemory(reinterpret_cast<const std::uint8_t*>(run.bytes.data()), run.bytes.size(),
                       16);
      validator.input = &input;
      validator.displayName = "t";
      valid = validator.ValidateUtf16(static_cast<Utf16ByteOrder>(3));
    }
    EXPECT_EQ(valid, run.valid);
    EXPECT_EQ(lines, run.lines);
  }
}

}  // namespace
}  // namespace codvet
