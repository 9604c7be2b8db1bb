#include "report/report_sink.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "validator_test_util.h"

namespace codvet {
namespace {

// Every digit count of both numbers, offsets in any order, then rising as in
// a real report (by steps across every carry, small and large), names (bytes
// passed on unaltered, a few far longer than the buffer) and every message,
// through a buffer smaller than the lines; against the C library's
// formatting.
TEST(ReportLine, EveryNumberWidthAndFieldLength) {
  std::vector<std::int64_t> offsets = {0, -1, INT64_MIN, INT64_MAX};
  for (std::int64_t power = 1; power <= INT64_MAX / 10; power *= 10) {
    for (std::int64_t near : {power - 1, power, power + 1, 2 * power - 1}) {
      offsets.push_back(near);
      offsets.push_back(-near);
    }
  }
  std::vector<std::uint32_t> values = {0, UINT32_MAX};
  for (int shift = 0; shift < 32; ++shift) {
    values.push_back(1u << shift);
    values.push_back((1u << shift) - 1);
  }
  for (std::int64_t rising = 0; rising < 1'002'000; rising += 1 + rising % 99)
    offsets.push_back(rising);
  for (std::int64_t rising = 999'999'999'999'990; rising < 1'000'000'000'000'100; rising += 3)
    offsets.push_back(rising);
  for (std::int64_t rising = 20'030; rising < (1LL << 40); rising += rising / 5)
    offsets.push_back(rising);
  std::string expected;
  std::string lines;
  {
    ReportSink sink(&lines, 300);
    std::string text =
        "a \"b\"\n\x82\xa0\xff"
        "defghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOP";
    std::string name;
    for (std::size_t i = 0; i < offsets.size(); ++i) {
      if (i % 997 == 0) {
        name = i % 3 == 0 ? std::string(10000, 'x') : text.substr(0, i % 40);
        sink.BeginInput(name);
      }
      std::int64_t offset = offsets[i];
      std::uint32_t value = values[i % values.size()];
      Msg message = static_cast<Msg>(i % kMsgCount);
      if (i % 5 == 0) {
        sink.ReportNoValue(offset, message);
        expected += ReportText(name, offset, message);
      } else {
        sink.Report(offset, message, value);
        expected += ReportText(name, offset, message, value);
      }
    }
  }
  EXPECT_EQ(lines, expected);
}

}  // namespace
}  // namespace codvet
