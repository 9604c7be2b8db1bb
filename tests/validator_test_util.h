// Running a validator over bytes in memory, and writing the report lines a
// test expects independently of the program's own formatting.
#ifndef TESTS_VALIDATOR_TEST_UTIL_H_
#define TESTS_VALIDATOR_TEST_UTIL_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "gtest/gtest.h"

namespace codvet {

struct Outcome {
  bool valid;
  std::string lines;
  bool operator==(const Outcome& other) const {
    return valid == other.valid && lines == other.lines;
  }
};

struct RunOptions {
  // The input reaches the validator in pieces of this many bytes.
  std::size_t chunk = SIZE_MAX;
  bool fastPath = true;
};

// Validates `bytes` as the named encoding, with the code sets loaded as the
// program loads them; reports carry the display name "t".
Outcome RunValidator(const char* encodingName, std::string_view bytes, RunOptions options = {});

// Checks that validating `bytes` gives `expected`, whatever the size of the
// pieces the input arrives in and with the fast path on or off.
void ExpectOutcome(const char* encodingName, std::string_view bytes, const Outcome& expected);

// One row of a validator's table of cases: bytes under an encoding name and
// the exact report lines they give (the input is valid exactly when there
// are none). A test file instantiates the shared test with its rows:
//   INSTANTIATE_TEST_SUITE_P(Name, ReportCases, ::testing::Values(...),
//                            ReportCaseName);
struct ReportCase {
  const char* label;
  const char* encoding;
  std::string bytes;
  std::string lines;
};
void PrintTo(const ReportCase& c, std::ostream* os);
std::string ReportCaseName(const ::testing::TestParamInfo<ReportCase>& info);
class ReportCases : public ::testing::TestWithParam<ReportCase> {};

// A report line with a value, and one without, for the display name "t".
std::string Line(std::int64_t offset, std::string_view message, std::uint32_t value);
std::string LineNoValue(std::int64_t offset, std::string_view message);

// Bytes from a list of byte values.
std::string Bytes(std::initializer_list<int> values);

}  // namespace codvet

#endif  // TESTS_VALIDATOR_TEST_UTIL_H_
