// The fast paths, on each block kernel in turn, against the plain step, on
// valid text built from the program's own code sets, changed or cut at every
// position, and random bytes, in pieces of many sizes so that characters
// straddle the buffer's edge everywhere.
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <tuple>

#include "corpus.h"
#include "gtest/gtest.h"
#include "library/encoding_table.h"
#include "validator_test_util.h"
#include "validators/block_kernels.h"

namespace codvet {
namespace {

// Bytes that mean something to one encoding or another.
constexpr int kSpecialBytes[] = {0x00, 0x0A, 0x0D, 0x1B, 0x20, 0x24, 0x28, 0x40, 0x7F, 0x80,
                                 0x8E, 0x8F, 0xA0, 0xA1, 0xBF, 0xC0, 0xD8, 0xDB, 0xDC, 0xDF,
                                 0xE0, 0xE3, 0xED, 0xF0, 0xF8, 0xFC, 0xFD, 0xFE, 0xFF, 0x9F};
constexpr bench::CorpusKind kLong = bench::CorpusKind::Japanese;
constexpr bench::CorpusKind kMixed = bench::CorpusKind::Mixed;

// A kernel is skipped below only where the processor lacks it. On x86, Linux
// lists what the processor has in /proc/cpuinfo; aarch64 always has NEON;
// other builds have the scalar kernel alone (and under qemu-user
// /proc/cpuinfo is the host's, which says nothing of the processor the
// program runs on).
TEST(Kernels, SupportedExactlyWhereTheProcessorHasThem) {
  EXPECT_TRUE(KernelSupported(Kernel::Scalar));
  EXPECT_EQ(KernelsFor(Kernel::Scalar), &kScalarKernels);
#if defined(__x86_64__) || defined(__i386__)
  EXPECT_FALSE(KernelSupported(Kernel::Neon));
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string flags;
  while (std::getline(cpuinfo, flags) && flags.compare(0, 5, "flags") != 0) {
  }
  if (flags.compare(0, 5, "flags") != 0) GTEST_SKIP() << "no processor flags to compare with";
  auto has = [&](const char* flag) {
    return (flags + " ").find(" " + std::string(flag) + " ") != std::string::npos;
  };
  bool sse = has("ssse3") && has("sse4_1");
  bool avx2 = has("avx2") && has("bmi2");
  bool avx512 = has("avx512bw") && has("avx512vbmi") && has("bmi2");
  EXPECT_EQ(KernelSupported(Kernel::Sse), sse);
  EXPECT_EQ(KernelSupported(Kernel::Avx2), avx2);
  EXPECT_EQ(KernelSupported(Kernel::Avx512), avx512);
  EXPECT_EQ(BestKernel(), avx512 ? Kernel::Avx512
                          : avx2 ? Kernel::Avx2
                          : sse  ? Kernel::Sse
                                 : Kernel::Scalar);
#else
  for (Kernel kernel : {Kernel::Sse, Kernel::Avx2, Kernel::Avx512}) {
    EXPECT_FALSE(KernelSupported(kernel)) << static_cast<int>(kernel);
    EXPECT_EQ(KernelsFor(kernel), &kScalarKernels) << static_cast<int>(kernel);
  }
#if defined(__aarch64__)
  EXPECT_TRUE(KernelSupported(Kernel::Neon));
  EXPECT_EQ(KernelsFor(Kernel::Neon), &kNeonKernels);
  EXPECT_EQ(BestKernel(), Kernel::Neon);
#else
  EXPECT_EQ(BestKernel(), Kernel::Scalar);
#endif
#endif
}

// Each encoding under each kernel, forced through the validator's switch; a
// kernel this processor lacks is skipped.
class FastPath : public ::testing::TestWithParam<std::tuple<int, Kernel>> {
 protected:
  void SetUp() override {
    if (!KernelSupported(kernel())) GTEST_SKIP() << "this processor lacks the kernel";
  }
  const char* encoding() const { return EncodingName(std::get<0>(GetParam())); }
  Kernel kernel() const { return std::get<1>(GetParam()); }
  // Whether the strict rules change anything in this encoding.
  bool hasStrict() const {
    return std::string(encoding()) == "utf8" || std::string(encoding()) == "iso-2022-jp";
  }
  static RunOptions With(std::size_t chunk, bool fast, Kernel kernel, bool strict) {
    RunOptions options{chunk, fast, kernel};
    options.strict = strict;
    return options;
  }
  // Validates `bytes` with the plain path once and with the fast path at
  // every piece size in `chunks`: tiny ones put edges inside characters,
  // larger ones let the block-wise scans run; true if all agree. Under both
  // rules where they differ.
  bool SameBothWays(const std::string& bytes, std::initializer_list<std::size_t> chunks = {
                                                  1, 2, 3, 7, 16, 61, 64, 65, 200, SIZE_MAX}) {
    for (bool strict : {false, true}) {
      if (strict && !hasStrict()) break;
      Outcome plain =
          RunValidator(encoding(), bytes, With(SIZE_MAX, false, Kernel::Scalar, strict));
      for (std::size_t chunk : chunks) {
        Outcome fast = RunValidator(encoding(), bytes, With(chunk, true, kernel(), strict));
        EXPECT_EQ(fast.lines, plain.lines) << "pieces of " << chunk << " strict " << strict
                                           << " of " << testing::PrintToString(bytes);
        if (!(fast == plain)) return false;
      }
    }
    return true;
  }
};

// A fault that made the fast path or a block kernel stop early, or never
// start, would go unseen elsewhere: the plain step gives the same output.
TEST_P(FastPath, LongValidTextGoesTheFastWay) {
  for (bench::CorpusKind kind : {kLong, kMixed}) {
    std::string text = bench::MakeText(kind, encoding(), 50000, 9, false);
    // Generated text is seven-bit ISO-2022-JP and RFC 3629 UTF-8 anyway.
    Outcome run = RunValidator(encoding(), text, With(SIZE_MAX, true, kernel(), hasStrict()));
    ASSERT_TRUE(run.valid);
    double size = static_cast<double>(text.size());
    EXPECT_GT(run.fastBytes, 0.99 * size);
    // The vector kernels leave to the scalar path only the rare characters
    // outside their summaries (JIS X 0212 in EUC-JP); the SSE set's UTF-16
    // scan also the surrogate pairs and each 16-byte piece around them.
    bool utf16Scan = kernel() == Kernel::Sse && std::string(encoding()).compare(0, 5, "utf16") == 0;
    if (kernel() == Kernel::Scalar) {
      EXPECT_EQ(run.blockBytes, 0);
    } else {
      EXPECT_GT(run.blockBytes, (utf16Scan ? 0.9 : 0.95) * size) << static_cast<int>(kind);
    }
  }
}

// Each input starts with nothing buffered: the fast path must not take that
// for the dense problems that rest it, or a short input (one of many small
// files, a string from a program) goes the plain way for its first 64
// characters. Only the character that comes with the first refill may.
TEST_P(FastPath, ShortValidTextGoesTheFastWay) {
  for (std::size_t size : {20, 100, 300, 1000, 3000}) {
    std::string text = bench::MakeText(kLong, encoding(), size, size, false);
    Outcome run = RunValidator(encoding(), text, {SIZE_MAX, true, kernel()});
    ASSERT_TRUE(run.valid);
    EXPECT_GE(run.fastBytes, static_cast<std::int64_t>(text.size()) - 4) << text.size();
  }
}

// Generated text, and a long run of ASCII (as units in UTF-16) where the
// block-wise scans end at every place within a block: cut at every length,
// and with one byte removed or changed to each special value at every
// position.
TEST_P(FastPath, EveryPositionCutChangedOrRemoved) {
  std::mt19937 random(2);
  std::string name = encoding();
  std::string ascii;
  while (ascii.size() < 160) {
    char c = static_cast<char>(0x20 + random() % 0x5F);
    ascii += name == "utf16be"                  ? Bytes({0, c})
             : name.compare(0, 5, "utf16") == 0 ? Bytes({c, 0})
                                                : std::string(1, c);
  }
  for (const std::string& text : {bench::MakeText(kLong, encoding(), 150, 0, true),
                                  bench::MakeText(kMixed, encoding(), 150, 1, true), ascii}) {
    for (std::size_t at = 0; at < text.size(); ++at) {
      ASSERT_TRUE(SameBothWays(text.substr(0, at), {2, 5, 16, SIZE_MAX}));
      std::string removed = text;
      ASSERT_TRUE(SameBothWays(removed.erase(at, 1), {3, 16, SIZE_MAX}));
      // Each special value, two random ones, then the first UTF-8 surrogate,
      // which only its second byte tells from a character.
      for (std::size_t k = 0; k < std::size(kSpecialBytes) + 3; ++k) {
        std::string changed = text;
        changed[at] = static_cast<char>(k < std::size(kSpecialBytes) ? kSpecialBytes[k] : random());
        if (k == std::size(kSpecialBytes) + 2) changed.replace(at, 3, "\xED\xA0\x80");
        ASSERT_TRUE(SameBothWays(changed, {1, 3, 16, SIZE_MAX}));
      }
    }
  }
}

// Valid text of many sizes, then the same with a few changes far apart, so
// that the block-wise scans run over long stretches between problems. (Random
// bytes are the fuzz targets' part.)
TEST_P(FastPath, GeneratedTextSparselyChanged) {
  std::mt19937 random(4);
  for (int round = 0; round < 20; ++round) {
    std::string text =
        bench::MakeText(round % 2 ? kMixed : kLong, encoding(), 50 + 1000 * round, round, true);
    EXPECT_TRUE(RunValidator(encoding(), text, {SIZE_MAX, false, Kernel::Scalar}).valid);
    ASSERT_TRUE(SameBothWays(text));
    for (int changes = round % 6 * 3 + 1; changes > 0; --changes) {
      text[random() % text.size()] =
          static_cast<char>(kSpecialBytes[random() % std::size(kSpecialBytes)]);
    }
    ASSERT_TRUE(SameBothWays(text, {61, 200, 1000, 4096, SIZE_MAX}));
  }
}

// Faults that start in one 64-byte block and show only in the next: a pair,
// sequence, escape or surrogate pair whose first byte is the block's last or
// last but one, and what follows it wrong; text that is valid up to there
// (after `head`, which sets a mode) and after.
TEST_P(FastPath, FaultsAcrossTheBlockEdge) {
  struct Case {
    const char* encoding;
    const char* head;
    std::size_t at;
    std::string fault;
    bool strict = false;
  };
  const Case kCases[] = {
      {"shift_jis", "", 63, "\x81\x7F"},
      {"shift_jis", "", 63, "\x88\x20"},
      {"shift_jis", "", 62, "\x82\xA0\x81\x0A"},
      {"windows-31j", "", 63, "\xEF\x40"},
      {"euc-jp", "", 63, "\xB0\x21"},
      {"euc-jp", "", 63, "\x8E\xE0"},
      {"euc-jp", "", 63, "\x8F\xB0\x21"},
      {"euc-jp", "", 62, "\x8F\xA2\x20"},
      {"iso-2022-jp", "", 62, "\x1B(X"},
      {"iso-2022-jp", "", 63, "\x1B$@"},
      {"iso-2022-jp", "", 63, "\x1B$B\x30\x0A"},
      {"iso-2022-jp", "", 62, "\x1B$B\x30\x21\x30\x0A"},
      {"iso-2022-jp", "\x1B$B", 63, "\x30\x7F"},
      {"iso-2022-jp", "\x1B$B", 63, "\x1B(B\x1B"},
      {"utf8", "", 62, "\xE3\x81\x20"},
      {"utf8", "", 63, "\xED\xA0\x80"},
      {"utf8", "", 62, "\xF0\x90\x80\x41"},
      {"utf8", "", 63, "\xC3\x41"},
      {"utf8", "", 63, "\xE0\x9F\xBF", true},
      {"utf8", "", 63, "\xF4\x90\x80\x80", true},
      {"utf8", "", 62, "\xF0\x8F\xBF\xBF", true},
      {"utf8", "", 62, "\xE3\x81\xC3\xA9", true},
      {"iso-2022-jp", "\x1B$B", 63, "\x30\xA1", true},
      {"utf16le", "", 62, Bytes({0x00, 0xD8, 0x41, 0x00})},
      {"utf16le", "", 62, Bytes({0x00, 0xD8, 0x00, 0xD8})},
      {"utf16", "", 62, Bytes({0x3D, 0xD8, 0xFE, 0xFF})},
      {"utf16be", "", 62, Bytes({0xD8, 0x00, 0x00, 0x41})},
      {"utf16be", "", 62, Bytes({0xDB, 0xFF, 0xFF, 0xFE})},
  };
  std::string name = encoding();
  int cases = 0;
  for (const Case& c : kCases) {
    if (name != c.encoding) continue;
    ++cases;
    std::string filler = name == "utf16be"                  ? Bytes({0, 'a'})
                         : name.compare(0, 5, "utf16") == 0 ? Bytes({'a', 0})
                                                            : "a";
    std::string text = c.head;
    while (text.size() < c.at) text += filler;
    text += c.fault;
    while (text.size() < 200) text += filler;
    EXPECT_FALSE(
        RunValidator(encoding(), text, With(SIZE_MAX, false, Kernel::Scalar, c.strict)).valid);
    ASSERT_TRUE(SameBothWays(text, {64, 65, 100, SIZE_MAX}));
  }
  EXPECT_GT(cases, 0);
}

std::string ParamName(const ::testing::TestParamInfo<FastPath::ParamType>& info) {
  const char* const kKernelNames[] = {"Scalar", "Sse", "Avx2", "Avx512", "Neon"};
  std::string name = EncodingName(std::get<0>(info.param));
  std::replace(name.begin(), name.end(), '-', '_');
  return name + "_" + kKernelNames[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Encodings, FastPath,
                         ::testing::Combine(::testing::Range(0, kEncodingCount),
                                            ::testing::Values(Kernel::Scalar, Kernel::Sse,
                                                              Kernel::Avx2, Kernel::Avx512,
                                                              Kernel::Neon)),
                         ParamName);

}  // namespace
}  // namespace codvet
