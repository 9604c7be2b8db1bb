// Several validators at once on separate threads, each giving the problems
// it gives alone. Built on its own under the thread sanitizer, which finds
// any state the validators share.
#include <string>
#include <thread>
#include <vector>

#include "codvet/codvet.h"
#include "gtest/gtest.h"

namespace codvet {
namespace {

TEST(Threads, ValidatorsRunAtOnceAsTheyRunAlone) {
  const char* const names[] = {"shift_jis", "windows-31j", "euc-jp",  "iso-2022-jp",
                               "utf8",      "utf16",       "utf16be", "utf16le"};
  // Every byte value in many orders, so that every encoding finds problems.
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += static_cast<char>((i * 7919) >> (i % 5));
  std::vector<std::vector<Problem>> alone(8), together(8);
  for (int i = 0; i < 8; ++i) Validator(names[i]).Validate(bytes.data(), bytes.size(), &alone[i]);
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&, i] {
      Validator validator(names[i]);
      validator.Validate(bytes.data(), bytes.size(), &together[i]);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int i = 0; i < 8; ++i) {
    ASSERT_FALSE(alone[i].empty()) << names[i];
    ASSERT_EQ(together[i].size(), alone[i].size()) << names[i];
    for (std::size_t k = 0; k < alone[i].size(); ++k) {
      ASSERT_EQ(together[i][k].offset, alone[i][k].offset) << names[i];
      ASSERT_EQ(together[i][k].message, alone[i][k].message) << names[i];
      ASSERT_EQ(together[i][k].value, alone[i][k].value) << names[i];
    }
  }
}

}  // namespace
}  // namespace codvet
