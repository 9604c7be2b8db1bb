// The fast paths, on each block kernel in turn, against the plain
// byte-at-a-time path, on many generated inputs: valid text in each encoding built from the
// program's own code sets, the same text with one byte changed or removed at every position, cut at
// every length, and random bytes. The input reaches the validator in pieces of
// many sizes, so that characters straddle the buffer's edge everywhere.
#include <cctype>
#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "library/encoding_table.h"
#include "corpus.h"
#include "gtest/gtest.h"
#include "validator_test_util.h"
#include "validators/block_kernels.h"
#include "validators/encoding_validator.h"

namespace codvet {
namespace {

constexpr const char* kEncodings[] = {"shift_jis", "windows-31j", "euc-jp",  "iso-2022-jp",
                                      "utf8",      "utf16",       "utf16be", "utf16le"};

// Bytes that mean something to one encoding or another.
constexpr int kSpecialBytes[] = {0x00, 0x0A, 0x0D, 0x1B, 0x20, 0x24, 0x28, 0x40, 0x7F,
                                 0x80, 0x8E, 0x8F, 0xA0, 0xA1, 0xBF, 0xC0, 0xD8, 0xDB,
                                 0xDC, 0xDF, 0xE3, 0xED, 0xF0, 0xF8, 0xFC, 0xFE, 0xFF};

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
    out += ' ';
  }
  return out;
}

// The result of one validation and how the fast path carried it.
struct Counted {
  Outcome outcome;
  std::int64_t fastBytes;
  std::int64_t blockBytes;
};

Counted RunCounted(const char* name, const std::string& bytes, std::size_t chunk, bool fast,
                   Kernel kernel) {
  Counted counted{{false, ""}, 0, 0};
  {
    ReportSink sink(&counted.outcome.lines, 4096);
    EncodingValidator validator(&sink);
    ByteInput input;
    input.OpenMemory(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), chunk);
    validator.input = &input;
    validator.displayName = "t";
    validator.useFastPath = fast;
    validator.kernel = kernel;
    counted.outcome.valid = Validate(validator, *FindEncoding(name));
    counted.fastBytes = validator.fastPathBytes;
    counted.blockBytes = validator.blockKernelBytes;
  }
  return counted;
}

// Validates `bytes` with the plain path once and with the fast path on
// `kernel` at every piece size in `chunks`; true if all agree.
bool SameBothWays(const char* encoding, Kernel kernel, const std::string& bytes,
                  std::initializer_list<std::size_t> chunks) {
  Outcome plain = RunCounted(encoding, bytes, SIZE_MAX, false, Kernel::Scalar).outcome;
  for (std::size_t chunk : chunks) {
    Outcome fast = RunCounted(encoding, bytes, chunk, true, kernel).outcome;
    if (!(fast == plain)) {
      ADD_FAILURE() << encoding << ", kernel " << static_cast<int>(kernel) << ", pieces of "
                    << chunk << ", input " << Hex(bytes) << "\nplain:\n"
                    << plain.lines << "fast:\n"
                    << fast.lines;
      return false;
    }
  }
  return true;
}

// Text each encoding accepts, from the benchmark's generator with its edge
// cases: long runs of Japanese between ASCII (`kind` Japanese) or short ones
// between commas, numbers and words (Mixed).
constexpr bench::CorpusKind kLong = bench::CorpusKind::Japanese;
constexpr bench::CorpusKind kMixed = bench::CorpusKind::Mixed;
std::string Text(const char* encoding, std::size_t size, std::uint64_t seed,
                 bench::CorpusKind kind = kLong) {
  return bench::MakeText(kind, encoding, size, seed, true);
}

// Each encoding under each kernel, forced through the validator's switch; a
// kernel this processor lacks is skipped.
class FastPath : public ::testing::TestWithParam<std::tuple<const char*, Kernel>> {
 protected:
  void SetUp() override {
    if (!KernelSupported(kernel())) GTEST_SKIP() << "this processor lacks the kernel";
  }
  const char* encoding() const { return std::get<0>(GetParam()); }
  Kernel kernel() const { return std::get<1>(GetParam()); }
  // Piece sizes: tiny ones put edges inside characters, larger ones let the
  // block-wise scans run, the last hands over everything at once.
  bool SameBothWays(const std::string& bytes, std::initializer_list<std::size_t> chunks = {
                                                  1, 2, 3, 7, 16, 61, 64, 65, 200, SIZE_MAX}) {
    return codvet::SameBothWays(encoding(), kernel(), bytes, chunks);
  }
};

// A fault that made the fast path or a block kernel stop early, or never
// start, would go unseen elsewhere: the plain step gives the same output.
TEST_P(FastPath, LongValidTextGoesTheFastWay) {
  std::string name = encoding();
  for (bench::CorpusKind kind : {kLong, kMixed}) {
    std::string text = bench::MakeText(kind, encoding(), 50000, 9, false);
    Counted run = RunCounted(encoding(), text, SIZE_MAX, true, kernel());
    ASSERT_TRUE(run.outcome.valid);
    double size = static_cast<double>(text.size());
    EXPECT_GT(run.fastBytes, 0.99 * size);
    // UTF-16 has no block kernel; the others leave to the scalar path only
    // the rare characters outside their summaries (JIS X 0212 in EUC-JP).
    if (kernel() == Kernel::Scalar || name.compare(0, 5, "utf16") == 0) {
      EXPECT_EQ(run.blockBytes, 0);
    } else {
      EXPECT_GT(run.blockBytes, 0.95 * size) << static_cast<int>(kind);
    }
  }
}

TEST_P(FastPath, ValidTextIsValidAndTheSameBothWays) {
  for (int i = 0; i < 20; ++i) {
    std::string text = Text(encoding(), 50 + 200 * i, i, i % 2 == 0 ? kLong : kMixed);
    EXPECT_TRUE(RunCounted(encoding(), text, SIZE_MAX, false, Kernel::Scalar).outcome.valid)
        << Hex(text);
    ASSERT_TRUE(SameBothWays(text));
  }
}

TEST_P(FastPath, OneByteChangedAtEveryPosition) {
  std::mt19937 random(2);
  for (int round = 0; round < 2; ++round) {
    std::string text = Text(encoding(), 120, round, round == 0 ? kLong : kMixed);
    for (std::size_t at = 0; at < text.size(); ++at) {
      std::vector<int> values(std::begin(kSpecialBytes), std::end(kSpecialBytes));
      values.push_back(random() % 256);
      values.push_back(random() % 256);
      for (int value : values) {
        std::string changed = text;
        changed[at] = static_cast<char>(value);
        ASSERT_TRUE(SameBothWays(changed, {1, 3, 16, SIZE_MAX}));
      }
      std::string removed = text;
      removed.erase(at, 1);
      ASSERT_TRUE(SameBothWays(removed, {3, 16, SIZE_MAX}));
    }
  }
}

TEST_P(FastPath, CutAtEveryLength) {
  std::string text = Text(encoding(), 150, 3);
  for (std::size_t length = 0; length <= text.size(); ++length) {
    ASSERT_TRUE(SameBothWays(text.substr(0, length), {2, 5, 16, SIZE_MAX}));
  }
}

// Long text with a few changes far apart, so that the block-wise scans run
// over long stretches between problems.
TEST_P(FastPath, LongTextWithSparseChanges) {
  std::mt19937 random(4);
  for (int round = 0; round < 6; ++round) {
    std::string text = Text(encoding(), 20000, round, round % 2 == 0 ? kLong : kMixed);
    for (int changes = round * 3; changes > 0; --changes) {
      text[random() % text.size()] =
          static_cast<char>(kSpecialBytes[random() % std::size(kSpecialBytes)]);
    }
    ASSERT_TRUE(SameBothWays(text, {61, 200, 1000, 4096, SIZE_MAX}));
  }
}

// Long runs of ASCII (as units in UTF-16) with one stray byte anywhere in
// them, so that the block-wise scans end at every place within a block.
TEST_P(FastPath, StrayByteInLongAsciiRuns) {
  std::mt19937 random(6);
  std::string name = encoding();
  std::string text;
  while (text.size() < 300) {
    char c = static_cast<char>(0x20 + random() % 0x5F);
    if (name == "utf16be") {
      text += Bytes({0, c});
    } else if (name.compare(0, 5, "utf16") == 0) {
      text += Bytes({c, 0});
    } else {
      text += c;
    }
  }
  for (std::size_t at = 0; at < text.size(); ++at) {
    for (int value : {0x7F, 0x80, 0x1B, 0x0A, 0xFF, 0xD8, 0xDC, static_cast<int>(random() % 256)}) {
      std::string changed = text;
      changed[at] = static_cast<char>(value);
      ASSERT_TRUE(SameBothWays(changed, {100, SIZE_MAX}));
    }
  }
}

TEST_P(FastPath, RandomBytes) {
  std::mt19937 random(5);
  for (int round = 0; round < 24; ++round) {
    std::string bytes;
    for (int i = 0; i < 3000; ++i) {
      // Some rounds mostly ASCII, some mostly special bytes, some uniform.
      int pick = random() % 4;
      if (round % 3 == 0 || pick == 0) {
        bytes += static_cast<char>(random() % 256);
      } else if (round % 3 == 1 && pick != 1) {
        bytes += static_cast<char>(0x20 + random() % 0x5F);
      } else {
        bytes += static_cast<char>(kSpecialBytes[random() % std::size(kSpecialBytes)]);
      }
    }
    ASSERT_TRUE(SameBothWays(bytes));
  }
}

std::string ParamName(const ::testing::TestParamInfo<FastPath::ParamType>& info) {
  static constexpr const char* kKernelNames[] = {"Scalar", "Avx2", "Avx512"};
  std::string name;
  for (const char* c = std::get<0>(info.param); *c != 0; ++c) {
    if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
  }
  return name + "_" + kKernelNames[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Encodings, FastPath,
                         ::testing::Combine(::testing::ValuesIn(kEncodings),
                                            ::testing::Values(Kernel::Scalar, Kernel::Avx2,
                                                              Kernel::Avx512)),
                         ParamName);

}  // namespace
}  // namespace codvet
