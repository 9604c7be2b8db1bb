// Several validators at once on separate threads, each giving the problems
// it gives alone. Built on its own under the thread sanitizer, which finds
// any state the validators share.
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "codvet/codvet.h"
#include "gtest/gtest.h"

namespace codvet {
namespace {

TEST(Threads, ValidatorsRunAtOnceAsTheyRunAlone) {
  // Every byte value in many orders, so that every encoding finds problems.
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += static_cast<char>((i * 7919) >> (i % 5));
  std::vector<std::vector<Problem>> alone(kEncodingCount), together(kEncodingCount);
  for (int i = 0; i < kEncodingCount; ++i) {
    Validator(EncodingName(i)).Validate(bytes.data(), bytes.size(), &alone[i]);
  }
  std::vector<std::thread> threads;
  for (int i = 0; i < kEncodingCount; ++i) {
    threads.emplace_back(
        [&, i] { Validator(EncodingName(i)).Validate(bytes.data(), bytes.size(), &together[i]); });
  }
  for (std::thread& thread : threads) thread.join();
  auto key = [](const Problem& p) { return std::make_tuple(p.offset, p.message, p.value); };
  for (int i = 0; i < kEncodingCount; ++i) {
    ASSERT_FALSE(alone[i].empty()) << EncodingName(i);
    ASSERT_EQ(together[i].size(), alone[i].size()) << EncodingName(i);
    for (std::size_t k = 0; k < alone[i].size(); ++k) {
      ASSERT_EQ(key(together[i][k]), key(alone[i][k])) << EncodingName(i) << " " << k;
    }
  }
}

}  // namespace
}  // namespace codvet
