#include "codeset/code_set.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "gtest/gtest.h"

namespace codvet {
namespace {

// Each load over a set that held the codes 0-0x7FFF leaves exactly the
// expected inclusive ranges, checked over the whole code space.
TEST(CodeSet, LoadRangesReplacesTheSetWithThePairs) {
  struct Case {
    std::vector<std::uint16_t> table;
    std::int32_t count;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> members;
  } cases[] = {
      {{0x0000, 0xFFFF}, 0, {}},
      {{0x0000, 0xFFFF}, 1, {}},
      {{0x0000, 0xFFFF}, -2, {}},
      {{0x0000, 0xFFFF}, 2, {{0x0000, 0xFFFF}}},  // ends at the top without wrapping
      {{5, 5, 20, 10, 0xFFF0, 0xFFFF}, 6, {{5, 5}, {0xFFF0, 0xFFFF}}},
      {{1, 2, 9}, 3, {{1, 2}}},  // a trailing odd value is not read
      {{10, 20, 15, 25, 10, 20}, 6, {{10, 25}}},
      {{0x0080, 0x0080}, 2, {{0x0080, 0x0080}}},
      {{8, 8, 0x8000, 0x8000}, 4, {{8, 8}, {0x8000, 0x8000}}},
  };
  const std::uint16_t kLowHalf[] = {0x0000, 0x7FFF};
  CodeSet fresh;
  for (const Case& c : cases) {
    CodeSet set;
    set.LoadRanges(kLowHalf, 2);
    set.LoadRanges(c.table.data(), c.count);
    for (std::uint32_t code = 0; code < 0x10000; ++code) {
      bool member = false;
      for (const auto& [low, high] : c.members) member = member || (code >= low && code <= high);
      ASSERT_EQ(set.Contains(code), member) << std::hex << code << " count " << c.count;
      ASSERT_FALSE(fresh.Contains(code));
    }
  }
}

}  // namespace
}  // namespace codvet
