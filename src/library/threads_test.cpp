// Several validators at once on separate threads, each giving the problems
// it gives alone, and the encoding finder, whose long inputs go to a thread
// per encoding. Built on its own under the thread sanitizer, which finds any
// state the validators share.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "codvet/codvet.h"
#include "gtest/gtest.h"
#include "run_process.h"

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

// The finder's answer, bit by bit, from one validator per encoding.
unsigned ValidatedOneByOne(const std::string& bytes, bool strict) {
  unsigned mask = 0;
  for (int i = 0; i < kEncodingCount; ++i) {
    Validator validator(EncodingName(i));
    validator.SetOptions({false, strict});
    if (validator.Validate(bytes.data(), bytes.size(), nullptr, nullptr) == Status::Valid)
      mask |= 1u << i;
  }
  return mask;
}

// Hands out `bytes` in pieces of changing odd sizes, failing with EIO at
// `failAt` when that is within them.
struct Pieces {
  const std::string& bytes;
  std::size_t failAt = SIZE_MAX;
  std::size_t at = 0;
  int calls = 0;
  static std::ptrdiff_t Read(void* context, std::uint8_t* buffer, std::size_t size) {
    Pieces& self = *static_cast<Pieces*>(context);
    static const std::size_t kSizes[] = {1, 4093, 65537, 7, 300000};
    std::size_t n = std::min({size, kSizes[self.calls++ % 5], self.bytes.size() - self.at});
    if (self.at + n > self.failAt) return -EIO;
    std::copy_n(self.bytes.data() + self.at, n, buffer);
    self.at += n;
    return static_cast<std::ptrdiff_t>(n);
  }
};

// Printable ASCII, valid under all eight encodings at an even length, with
// `insert` at `at`: sizes around the 1 MiB read into memory and far beyond,
// faults early (settled before any thread starts), midway and at the end.
TEST(EncodingFinder, AgreesWithTheValidatorsOneByOne) {
  const std::string kInserts[] = {"",         "\xE3\x81\x82", "\x1B$B\x30\x21\x1B(B",
                                  "\x82\xA0", "\xA4\xA2",     "\xC0\x80",
                                  "\xFF\xFE", "\x87\x40\x00"};
  const std::size_t kMiB = std::size_t{1} << 20;
  EncodingFinder finder;
  ASSERT_EQ(finder.status(), Status::Valid);
  // A directory of its own: another run of this test may be writing its file.
  TempDir dir;
  std::string path = dir.path() + "/finder_test.txt";
  int checked = 0;
  for (std::size_t size : {std::size_t{1000}, kMiB - 2, kMiB, kMiB + 2, 3 * kMiB + 6}) {
    std::string ascii;
    for (std::size_t i = 0; i < size; ++i) ascii += static_cast<char>(0x20 + (i * 7919) % 0x5F);
    for (const std::string& insert : kInserts) {
      for (std::size_t at : {std::size_t{10}, size / 2, size - 4}) {
        std::string bytes = ascii;
        bytes.insert(at, insert);
        for (bool strict : {false, true}) {
          SCOPED_TRACE(std::to_string(size) + " at " + std::to_string(at) + " strict " +
                       std::to_string(strict));
          unsigned expected = ValidatedOneByOne(bytes, strict), mask = 0;
          ASSERT_EQ(finder.SetOptions({false, strict}), Status::Valid);
          ASSERT_EQ(finder.Find(bytes.data(), bytes.size(), &mask), Status::Valid);
          EXPECT_EQ(mask, expected);
          Pieces pieces{bytes};
          ASSERT_EQ(finder.FindReader(Pieces::Read, &pieces, &mask), Status::Valid);
          EXPECT_EQ(mask, expected);
          if (at != size / 2 || strict) continue;
          std::FILE* file = std::fopen(path.c_str(), "wb");
          ASSERT_NE(file, nullptr);
          std::fwrite(bytes.data(), 1, bytes.size(), file);
          std::fclose(file);
          ASSERT_EQ(finder.FindFile(path.c_str(), &mask), Status::Valid);
          EXPECT_EQ(mask, expected);
          checked += expected != 0 && expected != 0xFF;
        }
      }
    }
  }
  EXPECT_GT(checked, 10);  // the inserts tell the encodings apart
}

TEST(EncodingFinder, ReadErrorsAndWrongUse) {
  std::string bytes(5 << 20, 'a');
  EncodingFinder finder;
  unsigned mask = 1;
  for (std::size_t failAt : {std::size_t{1000}, std::size_t{3} << 20}) {
    Pieces failing{bytes, failAt};
    EXPECT_EQ(finder.FindReader(Pieces::Read, &failing, &mask), Status::ReadFailed);
    EXPECT_EQ(std::make_tuple(finder.errorNumber(), mask), std::make_tuple(EIO, 0u));
  }
  EXPECT_EQ(finder.Find(nullptr, 1, &mask), Status::BadArgument);
  EXPECT_EQ(finder.Find(bytes.data(), 1, nullptr), Status::BadArgument);
  EXPECT_EQ(finder.FindReader(nullptr, nullptr, &mask), Status::BadArgument);
  EXPECT_EQ(finder.FindFile(nullptr, &mask), Status::BadArgument);
  EXPECT_EQ(finder.FindFile("/nonexistent/codvet", &mask), Status::OpenFailed);
  EXPECT_EQ(finder.errorNumber(), ENOENT);
  // A read function that asks the same finder again is turned away.
  struct Again {
    EncodingFinder* finder;
    Status status = Status::Valid;
  } again{&finder};
  auto read = [](void* context, std::uint8_t*, std::size_t) -> std::ptrdiff_t {
    Again& self = *static_cast<Again*>(context);
    unsigned inner = 0;
    self.status = self.finder->Find("a", 1, &inner);
    return 0;
  };
  EXPECT_EQ(finder.FindReader(read, &again, &mask), Status::Valid);
  EXPECT_EQ(std::make_tuple(again.status, mask), std::make_tuple(Status::Busy, 0xFFu));
}

}  // namespace
}  // namespace codvet
