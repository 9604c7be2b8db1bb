// Input full of problems, whose batches must report as single steps do.
// (Characters cut by refills and read errors: ExpectLines.)
#include <random>
#include <string>

#include "gtest/gtest.h"
#include "validator_test_util.h"
#include "validators/line_cursor.h"

namespace codvet {
namespace {

// Random bytes, nearly every character a problem: the batches of whole
// characters report, lines and columns included, as the steps taken one at a
// time through the carry.
TEST(StepLoop, ErrorHeavyInputBatchedAsSingleSteps) {
  std::mt19937 random(11);
  std::string bytes(5000, '\0');
  for (char& b : bytes) b = static_cast<char>(random());
  for (const char* encoding : kTestEncodings) {
    Outcome batched = RunValidator(encoding, bytes);
    EXPECT_FALSE(batched.valid);
    EXPECT_EQ(batched.lines, RunValidator(encoding, bytes, {1, false}).lines) << encoding;
    std::string positions[2];
    for (int k : {0, 1})
      RunValidator(encoding, bytes,
                   {k ? 1 : SIZE_MAX, k == 0, BestKernel(), false, false, &positions[k]});
    EXPECT_EQ(positions[0], positions[1]) << encoding;
  }
}

// Lines and columns of broken text, each "OFFSET LINE:COLUMN". Line feeds
// swallowed by broken characters count, and the next line starts after them;
// escape sequences take no column, a byte-order mark and a CR one; in UTF-16
// only whole units 0x000A in the byte order are line feeds.
TEST(StepLoop, LinesAndColumnsOfBrokenText) {
  const struct {
    const char *encoding, *bytes;
    std::size_t size;
    const char* expected;
  } kCases[] = {
      {"shift_jis",
       "a\x82\xa0"
       "b\r\n\x81\nc\xff",
       10, "6 2:1 9 3:2 "},
      {"windows-31j", "\x87\x40\r\n\x87\x40\x80", 7, "6 2:2 "},
      {"euc-jp", "\xa4\xa2\n\x8f\nAx\xa4", 8, "3 2:1 7 3:2 "},
      {"iso-2022-jp", "ab\x1b$B\x30\x21\n\x1b(B\n\x1b(Jz\rq\x1b\n(\x1b$B\x7f\x21", 26,
       "7 1:4 16 3:2 18 3:4 24 4:1 "},
      {"utf8",
       "\xef\xbb\xbf"
       "a\xc3\nb\xe3\x81\x82\x80\x80\x80\x80\x80\x80\r\n\xf0\x9f\x98\x80\xed\xa0\x80",
       25, "4 1:3 10 2:3 22 3:2 "},
      {"utf16le", "a\0\n\0\0\xd8\n\0b\0\0\xdc", 12, "4 2:1 10 3:2 "},
      {"utf16be", "\0a\0\n\xd8\0\0\nb\0\xdc\0", 12, "4 2:1 10 3:2 "},
      {"utf16", "\xfe\xff\0\n\0a\xdc\0", 8, "6 2:2 "},
      {"utf16", "\n\0\0\xdc", 4, "2 2:1 "},
      {"utf16le", "\n\x01\0\n\0\xdc", 6, "4 1:3 "},
  };
  for (const auto& c : kCases) {
    ExpectPositions(c.encoding, std::string_view(c.bytes, c.size), c.expected);
  }
}

// Line feeds counted with each processor's vectors as one at a time, at
// every start and length around the vectors' sizes, bytes and units.
TEST(StepLoop, LineFeedsCountedWithEveryKernel) {
  std::mt19937 random(5);
  std::string bytes(700, '\0');
  for (char& b : bytes) b = "\n\0a"[random() % 3];
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  for (Kernel kernel : {Kernel::Scalar, Kernel::Sse, Kernel::Avx2, Kernel::Avx512}) {
    if (!KernelSupported(kernel)) continue;
    for (int start = 0; start < 4; ++start) {
      for (int size = 0; start + size <= 700; size += 1 + size / 16) {
        std::int64_t ones = 0, units = 0;
        for (int i = start; i < start + size; ++i) ones += data[i] == '\n';
        for (int i = start; i + 1 < start + size; i += 2)
          units += data[i] == 0 && data[i + 1] == '\n';
        const std::uint8_t *from = data + start, *to = from + size;
        EXPECT_EQ(CountLineFeeds<false>(from, to, 0x0A, kernel), ones) << start << " " << size;
        EXPECT_EQ(CountLineFeeds<true>(from, to, 0x0A00, kernel), units) << start << " " << size;
      }
    }
  }
}

}  // namespace
}  // namespace codvet
