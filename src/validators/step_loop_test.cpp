// Input full of problems, whose batches must report as single steps do.
// (Characters cut by refills and read errors: ExpectLines.)
#include <random>
#include <string>

#include "gtest/gtest.h"
#include "validator_test_util.h"

namespace codvet {
namespace {

// Random bytes, nearly every character a problem: the batches of whole
// characters report as the steps taken one at a time through the carry.
TEST(StepLoop, ErrorHeavyInputBatchedAsSingleSteps) {
  std::mt19937 random(11);
  std::string bytes(5000, '\0');
  for (char& b : bytes) b = static_cast<char>(random());
  for (const char* encoding : kTestEncodings) {
    Outcome batched = RunValidator(encoding, bytes);
    EXPECT_FALSE(batched.valid);
    EXPECT_EQ(batched.lines, RunValidator(encoding, bytes, {1, false}).lines) << encoding;
  }
}

}  // namespace
}  // namespace codvet
