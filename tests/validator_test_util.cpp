#include "validator_test_util.h"

#include <cctype>
#include <cinttypes>
#include <cstdio>

#include "gtest/gtest.h"
#include "library/encoding_table.h"
#include "report/report_sink.h"
#include "validators/byte_input.h"
#include "validators/encoding_validator.h"

namespace codvet {

Outcome RunValidator(const char* encodingName, std::string_view bytes, RunOptions options) {
  const Encoding* encoding = FindEncoding(encodingName);
  EXPECT_NE(encoding, nullptr) << encodingName;
  if (encoding == nullptr) return {false, ""};
  std::string lines;
  bool valid;
  {
    ReportSink sink(&lines, 4096);
    EncodingValidator validator(&sink);
    ByteInput input(16);
    input.OpenMemory(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                     options.chunk);
    validator.input = &input;
    validator.displayName = "t";
    validator.useFastPath = options.fastPath;
    valid = Validate(validator, *encoding);
  }
  return {valid, lines};
}

void ExpectOutcome(const char* encodingName, std::string_view bytes, const Outcome& expected) {
  for (std::size_t chunk :
       {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{5}, SIZE_MAX}) {
    for (bool fast : {true, false}) {
      Outcome got = RunValidator(encodingName, bytes, {chunk, fast});
      EXPECT_EQ(got.lines, expected.lines)
          << encodingName << " chunk " << chunk << " fast " << fast;
      EXPECT_EQ(got.valid, expected.valid)
          << encodingName << " chunk " << chunk << " fast " << fast;
    }
  }
}

void PrintTo(const ReportCase& c, std::ostream* os) {
  *os << c.label << " (" << c.encoding << ")";
}

std::string ReportCaseName(const ::testing::TestParamInfo<ReportCase>& info) {
  std::string name = std::string(info.param.label) + "_";
  for (const char* e = info.param.encoding; *e != '\0'; ++e) {
    if (std::isalnum(static_cast<unsigned char>(*e))) name += *e;
  }
  return name;
}

// Every row is checked at every placement of block edges, fast path on and
// off.
TEST_P(ReportCases, ReportsExactly) {
  const ReportCase& c = GetParam();
  ExpectOutcome(c.encoding, c.bytes, {c.lines.empty(), c.lines});
}

std::string Line(std::int64_t offset, std::string_view message, std::uint32_t value) {
  char tail[32];
  std::snprintf(tail, sizeof tail, " (0x%" PRIx32 ")\n", value);
  return "\"t\" (" + std::to_string(offset) + "): " + std::string(message) + tail;
}

std::string LineNoValue(std::int64_t offset, std::string_view message) {
  return "\"t\" (" + std::to_string(offset) + "): " + std::string(message) + "\n";
}

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

}  // namespace codvet
