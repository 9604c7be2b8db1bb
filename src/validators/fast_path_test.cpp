// The fast paths against the plain byte-at-a-time path, on many generated
// inputs: valid text in each encoding built from the program's own code sets,
// the same text with one byte changed or removed at every position, cut at
// every length, and random bytes. The input reaches the validator in pieces of
// many sizes, so that characters straddle the buffer's edge everywhere.
#include <cctype>
#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "cli/encoding_table.h"
#include "codeset/code_set.h"
#include "codeset/jis_to_shift_jis.h"
#include "codeset/range_tables.h"
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

// Builds text that each encoding accepts, Japanese-like: runs of ASCII words
// and line breaks between runs of multi-byte characters.
class TextMaker {
 public:
  explicit TextMaker(unsigned seed) : rng_(seed) {
    shiftJis_.LoadRanges(kShiftJisRanges, kShiftJisRangesLength);
    cp932_.LoadRanges(kCp932Ranges, kCp932RangesLength);
    jisX0212_.LoadRanges(kJisX0212Ranges, kJisX0212RangesLength);
    for (std::uint32_t code = 0x8100; code <= 0xFCFF; ++code) {
      if (!IsShiftJisLeadByte(static_cast<int>(code >> 8))) continue;
      if (shiftJis_.Contains(code)) shiftJisPairs_.push_back(code);
      if (cp932_.Contains(code)) cp932Pairs_.push_back(code);
    }
    for (std::uint32_t row = 0x21; row <= 0x7E; ++row) {
      for (std::uint32_t cell = 0x21; cell <= 0x7E; ++cell) {
        std::uint32_t jis = row << 8 | cell;
        std::int32_t code = JisToShiftJis(jis);
        if (code != kInvalidShiftJis && shiftJis_.Contains(static_cast<std::uint32_t>(code))) {
          jisX0208_.push_back(jis);
        }
        if (jisX0212_.Contains(jis)) jisX0212Codes_.push_back(jis);
      }
    }
  }

  int Below(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
  int Byte() { return Below(256); }

  std::string Make(const std::string& encoding, std::size_t length) {
    std::string out;
    if (encoding == "utf16" && Below(2) == 0) out = Bytes({0xFE, 0xFF});
    while (out.size() < length) {
      AppendAscii(encoding, out);
      AppendNonAscii(encoding, out);
    }
    return out;
  }

 private:
  // A word or two, a blank or a line break, in the encoding's form.
  void AppendAscii(const std::string& encoding, std::string& out) {
    std::string ascii;
    for (int words = 1 + Below(3); words > 0; --words) {
      for (int letters = 1 + Below(8); letters > 0; --letters)
        ascii += static_cast<char>('a' + Below(26));
      static constexpr const char* kSeparators[] = {" ", " ", ", ", ".\n", "\r\n", "\t", "0x7e~"};
      ascii += kSeparators[Below(7)];
    }
    if (encoding.compare(0, 5, "utf16") == 0) {
      for (char c : ascii) AppendUtf16(encoding, out, static_cast<unsigned char>(c));
    } else {
      out += ascii;
    }
  }

  void AppendNonAscii(const std::string& encoding, std::string& out) {
    int count = 1 + Below(20);
    if (encoding == "shift_jis" || encoding == "windows-31j") {
      const std::vector<std::uint32_t>& pairs =
          encoding == "shift_jis" ? shiftJisPairs_ : cp932Pairs_;
      for (int i = 0; i < count; ++i) {
        if (Below(8) == 0) {
          out += static_cast<char>(0xA1 + Below(0xDF - 0xA1 + 1));  // half-width katakana
        } else {
          std::uint32_t code = pairs[Below(static_cast<int>(pairs.size()))];
          out += static_cast<char>(code >> 8);
          out += static_cast<char>(code & 0xFF);
        }
      }
    } else if (encoding == "euc-jp") {
      for (int i = 0; i < count; ++i) {
        int kind = Below(16);
        if (kind == 0) {
          out += Bytes({0x8E, 0xA1 + Below(0xDF - 0xA1 + 1)});
        } else if (kind == 1) {
          std::uint32_t jis = jisX0212Codes_[Below(static_cast<int>(jisX0212Codes_.size()))];
          out += Bytes(
              {0x8F, static_cast<int>(jis >> 8 | 0x80), static_cast<int>((jis & 0xFF) | 0x80)});
        } else {
          std::uint32_t jis = jisX0208_[Below(static_cast<int>(jisX0208_.size()))];
          out += Bytes({static_cast<int>(jis >> 8 | 0x80), static_cast<int>((jis & 0xFF) | 0x80)});
        }
      }
    } else if (encoding == "iso-2022-jp") {
      if (++segments_ % 3 == 0) {
        out += "\x1b(J";  // Roman: no line breaks inside
        for (int i = 0; i < count; ++i) out += static_cast<char>(0x21 + Below(0x5E));
      } else {
        out += "\x1b$B";
        for (int i = 0; i < count; ++i) {
          std::uint32_t jis = jisX0208_[Below(static_cast<int>(jisX0208_.size()))];
          int high = Below(10) == 0 ? 0x80 : 0;  // the high bits are ignored
          out += Bytes({static_cast<int>(jis >> 8) | high, static_cast<int>(jis & 0xFF) | high});
        }
      }
      out += "\x1b(B";
    } else {
      for (int i = 0; i < count; ++i) AppendCodePoint(encoding, out, CodePoint());
      if (encoding == "utf8" && Below(4) == 0) {
        // Forms this checker accepts on purpose: overlong, five bytes, high
        // following bytes.
        static const std::string kLenient[] = {
            Bytes({0xC0, 0x80}), Bytes({0xE0, 0x80, 0x80}), Bytes({0xF8, 0x88, 0x80, 0x80, 0x80}),
            Bytes({0xE3, 0xC1, 0xFF}), Bytes({0xF7, 0xBF, 0xBF, 0xBF})};
        out += kLenient[Below(5)];
      }
    }
  }

  std::uint32_t CodePoint() {
    switch (Below(12)) {
      case 0:
        return 0x30A1 + Below(0x5A);  // katakana
      case 1:
        return 0xFF01 + Below(0x5E);  // full-width forms
      case 2:
        return Below(3) == 0 ? 0x1F600 + Below(0x50)
                             : 0xFEFF + Below(2) * 0x100;  // beyond the BMP, BOM, 0xFFFF
      case 3:
      case 4:
      case 5:
        return 0x3041 + Below(0x56);  // hiragana
      default:
        return 0x4E00 + Below(0x5200);  // kanji
    }
  }

  void AppendCodePoint(const std::string& encoding, std::string& out, std::uint32_t c) {
    if (encoding != "utf8") {
      if (c >= 0x10000) {
        AppendUtf16(encoding, out, 0xD800 + ((c - 0x10000) >> 10));
        AppendUtf16(encoding, out, 0xDC00 + ((c - 0x10000) & 0x3FF));
      } else {
        AppendUtf16(encoding, out, c);
      }
    } else if (c < 0x800) {
      out += Bytes({static_cast<int>(0xC0 | c >> 6), static_cast<int>(0x80 | (c & 0x3F))});
    } else if (c < 0x10000) {
      out += Bytes({static_cast<int>(0xE0 | c >> 12), static_cast<int>(0x80 | (c >> 6 & 0x3F)),
                    static_cast<int>(0x80 | (c & 0x3F))});
    } else {
      out += Bytes({static_cast<int>(0xF0 | c >> 18), static_cast<int>(0x80 | (c >> 12 & 0x3F)),
                    static_cast<int>(0x80 | (c >> 6 & 0x3F)), static_cast<int>(0x80 | (c & 0x3F))});
    }
  }

  // utf16 without a mark is little-endian; with 0xFE 0xFF first, big-endian.
  void AppendUtf16(const std::string& encoding, std::string& out, std::uint32_t unit) {
    bool big = encoding == "utf16be" ||
               (encoding == "utf16" && out.size() >= 2 && out[0] == '\xFE' && out[1] == '\xFF');
    int high = static_cast<int>(unit >> 8);
    int low = static_cast<int>(unit & 0xFF);
    out += big ? Bytes({high, low}) : Bytes({low, high});
  }

  std::mt19937 rng_;
  int segments_ = 0;
  CodeSet shiftJis_;
  CodeSet cp932_;
  CodeSet jisX0212_;
  std::vector<std::uint32_t> shiftJisPairs_;
  std::vector<std::uint32_t> cp932Pairs_;
  std::vector<std::uint32_t> jisX0208_;
  std::vector<std::uint32_t> jisX0212Codes_;
};

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
  TextMaker maker(9);
  std::string text = maker.Make(encoding(), 50000);
  Counted run = RunCounted(encoding(), text, SIZE_MAX, true, kernel());
  ASSERT_TRUE(run.outcome.valid);
  double size = static_cast<double>(text.size());
  EXPECT_GT(run.fastBytes, 0.99 * size);
  // The kernels leave JIS X 0212, Roman mode and lenient UTF-8 forms, which
  // this text has plenty of, to the scalar path; UTF-16 has no kernel.
  std::string name = encoding();
  double share = name == "utf8" ? 0.9 : name == "iso-2022-jp" ? 0.3 : 0.45;
  if (kernel() == Kernel::Scalar || name.compare(0, 5, "utf16") == 0) share = 0;
  EXPECT_GE(run.blockBytes, share * size);
  if (share == 0) {
    EXPECT_EQ(run.blockBytes, 0);
  }
}

TEST_P(FastPath, ValidTextIsValidAndTheSameBothWays) {
  TextMaker maker(1);
  for (int i = 0; i < 20; ++i) {
    std::string text = maker.Make(encoding(), 50 + 200 * i);
    EXPECT_TRUE(RunCounted(encoding(), text, SIZE_MAX, false, Kernel::Scalar).outcome.valid)
        << Hex(text);
    ASSERT_TRUE(SameBothWays(text));
  }
}

TEST_P(FastPath, OneByteChangedAtEveryPosition) {
  TextMaker maker(2);
  for (int round = 0; round < 2; ++round) {
    std::string text = maker.Make(encoding(), 120);
    for (std::size_t at = 0; at < text.size(); ++at) {
      std::vector<int> values(std::begin(kSpecialBytes), std::end(kSpecialBytes));
      values.push_back(maker.Byte());
      values.push_back(maker.Byte());
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
  TextMaker maker(3);
  std::string text = maker.Make(encoding(), 150);
  for (std::size_t length = 0; length <= text.size(); ++length) {
    ASSERT_TRUE(SameBothWays(text.substr(0, length), {2, 5, 16, SIZE_MAX}));
  }
}

// Long text with a few changes far apart, so that the block-wise scans run
// over long stretches between problems.
TEST_P(FastPath, LongTextWithSparseChanges) {
  TextMaker maker(4);
  for (int round = 0; round < 6; ++round) {
    std::string text = maker.Make(encoding(), 20000);
    for (int changes = round * 3; changes > 0; --changes) {
      text[maker.Below(static_cast<int>(text.size()))] =
          static_cast<char>(kSpecialBytes[maker.Below(static_cast<int>(std::size(kSpecialBytes)))]);
    }
    ASSERT_TRUE(SameBothWays(text, {61, 200, 1000, 4096, SIZE_MAX}));
  }
}

// Long runs of ASCII (as units in UTF-16) with one stray byte anywhere in
// them, so that the block-wise scans end at every place within a block.
TEST_P(FastPath, StrayByteInLongAsciiRuns) {
  TextMaker maker(6);
  std::string name = encoding();
  std::string text;
  while (text.size() < 300) {
    char c = static_cast<char>(0x20 + maker.Below(0x5F));
    if (name == "utf16be") {
      text += Bytes({0, c});
    } else if (name.compare(0, 5, "utf16") == 0) {
      text += Bytes({c, 0});
    } else {
      text += c;
    }
  }
  for (std::size_t at = 0; at < text.size(); ++at) {
    for (int value : {0x7F, 0x80, 0x1B, 0x0A, 0xFF, 0xD8, 0xDC, maker.Byte()}) {
      std::string changed = text;
      changed[at] = static_cast<char>(value);
      ASSERT_TRUE(SameBothWays(changed, {100, SIZE_MAX}));
    }
  }
}

TEST_P(FastPath, RandomBytes) {
  TextMaker maker(5);
  for (int round = 0; round < 24; ++round) {
    std::string bytes;
    for (int i = 0; i < 3000; ++i) {
      // Some rounds mostly ASCII, some mostly special bytes, some uniform.
      int pick = maker.Below(4);
      if (round % 3 == 0 || pick == 0) {
        bytes += static_cast<char>(maker.Byte());
      } else if (round % 3 == 1 && pick != 1) {
        bytes += static_cast<char>(0x20 + maker.Below(0x5F));
      } else {
        bytes += static_cast<char>(
            kSpecialBytes[maker.Below(static_cast<int>(std::size(kSpecialBytes)))]);
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
