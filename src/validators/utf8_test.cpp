#include <string>

#include "gtest/gtest.h"
#include "report/messages.h"
#include "validator_test_util.h"

namespace codvet {
namespace {

TEST(Utf8, ReportsExactly) {
  ExpectCases(
      {{"Empty", "utf8", "", ""},
       {"ControlsAndNul", "utf8", Bytes({0x00, 0x01, 0x0A, 0x7F}), ""},
       {"LastSurrogateThenNext", "utf8", Bytes({0xED, 0xBF, 0xBF, 0x41, 0x80}),
        Line(0, Msg::SurrogateInUtf8, 0xEDBFBF) + Line(4, Msg::IncompleteCharacterUtf8, 0x80)},
       {"ByteOrderMarkAndNonCharacters", "utf8",
        Bytes({0xEF, 0xBB, 0xBF, 0xEF, 0xBF, 0xBE, 0xEF, 0xBF, 0xBF}), ""},
       {"SixByteRefusedWithoutValue", "utf8", Bytes({0xFC, 0x84, 0x80, 0x80, 0x80, 0x80, 0x41}),
        Line(0, Msg::InvalidSequence)},
       {"BadThirdByte", "utf8", Bytes({0xE3, 0x81, 0x41, 0x42}),
        Line(0, Msg::InvalidContinuation, 0x41)},
       {"BadFourthByte", "utf8", Bytes({0xF0, 0x80, 0x80, 0x41, 0x42}),
        Line(0, Msg::InvalidContinuation, 0x41)},
       {"BadFifthByte", "utf8", Bytes({0xF8, 0x80, 0x80, 0x80, 0x00, 0x42}),
        Line(0, Msg::InvalidContinuation, 0x0)},
       {"BadSixthByte", "utf8", Bytes({0xFC, 0x80, 0x80, 0x80, 0x80, 0x7F, 0xC3, 0xA9}),
        Line(0, Msg::InvalidContinuation, 0x7F)},
       {"ThreeByteWithHighThird", "utf8", Bytes({0xE3, 0x81, 0xC3, 0xA9}),
        Line(3, Msg::IncompleteCharacterUtf8, 0xA9)},
       {"ContinuationAtEnd", "utf8", Bytes({0x41, 0x80}),
        Line(1, Msg::IncompleteCharacterUtf8, 0x80)},
       {"OffsetsCountInvalidBytes", "utf8",
        Bytes({0xC3, 0x41, 0xE3, 0x81, 0x00, 0xED, 0xA0, 0x80, 0xC3}),
        Line(0, Msg::InvalidSecondByte, 0x41) + Line(2, Msg::InvalidContinuation, 0x0) +
            Line(5, Msg::SurrogateInUtf8, 0xEDA080) +
            Line(8, Msg::IncompleteCharacterUtf8, 0xC3)}});
}

// The strict rules (RFC 3629); Python's strict decoder checks every short
// sequence from the Python tests.
TEST(Utf8Strict, ReportsExactly) {
  ExpectCases({
      {"Boundaries", "utf8",
       Bytes({0xC2, 0x80, 0xDF, 0xBF, 0xE0, 0xA0, 0x80, 0xED, 0x9F, 0xBF, 0xEF,
              0xBF, 0xBF, 0xF0, 0x90, 0x80, 0x80, 0xF4, 0x8F, 0xBF, 0xBF}),
       "", true},
      {"Overlong", "utf8", Bytes({0xC0, 0xAF, 0xE0, 0x9F, 0xBF, 0xF0, 0x8F, 0xBF, 0xBF}),
       Line(0, Msg::OverlongUtf8, 0xC0AF) + Line(2, Msg::OverlongUtf8, 0xE09FBF) +
           Line(5, Msg::OverlongUtf8, 0xF08FBFBF),
       true},
      {"BeyondAndFiveBytes", "utf8",
       Bytes({0xF4, 0x90, 0x80, 0x80, 0xF7, 0xBF, 0xBF, 0xBF, 0xF8, 0x88, 0x80, 0x80, 0x80}),
       Line(0, Msg::BeyondUnicodeUtf8, 0xF4908080) + Line(4, Msg::BeyondUnicodeUtf8, 0xF7BFBFBF) +
           Line(8, Msg::FiveByteUtf8, 0x80808080),
       true},
      {"LeadByteAsFollowingByte", "utf8", Bytes({0xE3, 0x81, 0xC3, 0xA9, 0x41}),
       Line(0, Msg::LeadByteInSequence, 0xC3) + Line(3, Msg::InvalidSecondByte, 0x41), true},
      {"FirstFaultyFollowingByteDecides", "utf8", Bytes({0xF0, 0xFF, 0x41, 0xE0, 0x41, 0xFF}),
       Line(0, Msg::LeadByteInSequence, 0xFF) + Line(3, Msg::InvalidSecondByte, 0x41) +
           Line(5, Msg::IncompleteCharacterUtf8, 0xFF),
       true},
      {"CutOverlongIsIncomplete", "utf8", Bytes({0x41, 0xE0, 0x80}),
       Line(1, Msg::IncompleteCharacterUtf8, 0xE080), true},
      {"SurrogateAndRefusedAsBefore", "utf8",
       Bytes({0xED, 0xA0, 0x80, 0xFC, 0x84, 0x80, 0x80, 0x80, 0x80}),
       Line(0, Msg::SurrogateInUtf8, 0xEDA080) + Line(3, Msg::InvalidSequence), true},
  });
}

// Every sequence cut at every position: one truncation line with the bytes
// read so far, and nothing after it.
TEST(Utf8Truncation, EveryPrefixOfEveryLength) {
  struct Cut {
    std::string bytes;
    std::uint32_t value;
  } cuts[] = {
      {Bytes({0xC3}), 0xC3},
      {Bytes({0xE3}), 0xE3},
      {Bytes({0xE3, 0x81}), 0xE381},
      {Bytes({0xF0, 0x9F, 0x98}), 0xF09F98},
      {Bytes({0xF8, 0x88, 0x80, 0x80}), 0xF8888080},
      {Bytes({0xFC}), 0xFC},
      {Bytes({0xFC, 0x80, 0x80, 0x80}), 0xFC808080},
      // Five bytes of a refused sequence: the first two are added.
      {Bytes({0xFC, 0x80, 0x80, 0x80, 0x80}), 0x7C808080},
      {Bytes({0xBF, 0xBF, 0xBF, 0xBF, 0xBF}), 0x7EBFBFBF},
      {Bytes({0x80, 0x80, 0x80, 0x80, 0x80}), 0x00808080},
  };
  for (const Cut& cut : cuts) {
    std::string input = Bytes({0x41, 0xE3, 0x81, 0x82}) + cut.bytes;
    ExpectLines("utf8", input, Line(4, Msg::IncompleteCharacterUtf8, cut.value));
  }
}

// Each first byte from 0x80 with each second byte, then four 0x80 and an
// 0x41: the class of the first byte alone decides what is read and reported.
TEST(Utf8Sweep, EveryFirstByteWithEverySecondByte) {
  SweepPairs("utf8", "", 0x80, 0xFF, [](Sweep& s, int b1, int b2) {
    std::string bytes = Bytes({b1, b2, 0x80, 0x80, 0x80, 0x80, 0x41});
    if (b2 < 0x80) {
      s.Add(bytes.substr(0, 2), false, Msg::InvalidSecondByte, b2);
      return s.Add(bytes.substr(2), false, Msg::InvalidContinuation, 0x41);
    }
    if (b1 < 0xC0 || b1 > 0xFB) return s.Add(bytes, false, Msg::InvalidSequence, -1);
    std::size_t length = b1 < 0xE0 ? 2 : b1 < 0xF0 ? 3 : b1 < 0xF8 ? 4 : 5;
    int code = (b1 & 0x0F) << 12 | (b2 & 0x3F) << 6;
    bool surrogate = length == 3 && code >= 0xD800 && code <= 0xDFFF;
    s.Add(bytes.substr(0, length), !surrogate, Msg::SurrogateInUtf8, b1 << 16 | b2 << 8 | 0x80);
    // The 0x80 bytes left start a refused sequence that 0x41 ends: as its
    // second byte when only one is left.
    s.Add(bytes.substr(length), false,
          length == 5 ? Msg::InvalidSecondByte : Msg::InvalidContinuation, 0x41);
  });
}

}  // namespace
}  // namespace codvet
