#include "validator_test_util.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include "library/encoding_table.h"
#include "report/report_sink.h"
#include "validators/byte_input.h"
#include "validators/encoding_validator.h"

#if __has_include(<iconv.h>)
#include <iconv.h>
#endif

namespace codvet {

const char* const kTestEncodings[8] = {"shift_jis", "windows-31j", "euc-jp",  "iso-2022-jp",
                                       "utf8",      "utf16",       "utf16be", "utf16le"};

std::optional<std::string> Convert(const char* from, const char* to, std::string_view in) {
#if __has_include(<iconv.h>)
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string input(in);
  std::string out(input.size() * 4 + 16, '\0');
  char* inPtr = input.data();
  char* outPtr = out.data();
  std::size_t inLeft = input.size(), outLeft = out.size();
  std::size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  if (done != static_cast<std::size_t>(-1)) done = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  iconv_close(cd);
  if (done == static_cast<std::size_t>(-1)) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
#else
  (void)from, (void)to, (void)in;
  return std::nullopt;
#endif
}

std::string ReportText(std::string_view name, std::int64_t offset, Msg message,
                       std::int64_t value) {
  return ReportText(name, offset, Message(message).printed, value);
}

std::string ReportText(std::string_view name, std::int64_t offset, std::string_view message,
                       std::int64_t value) {
  char number[64], hex[32] = "";
  std::snprintf(number, sizeof number, "\" (%" PRId64 "): ", offset);
  if (value >= 0) std::snprintf(hex, sizeof hex, " (0x%" PRIx64 ")", value);
  return "\"" + std::string(name) + number + std::string(message) + hex + "\n";
}

namespace {

bool AddPosition(void* context, std::int64_t offset, Msg, const std::uint32_t*) {
  auto& [validator, out] = *static_cast<std::pair<EncodingValidator*, std::string*>*>(context);
  *out += std::to_string(offset) + " " + std::to_string(validator->problemLine) + ":" +
          std::to_string(validator->problemColumn) + " ";
  return true;
}

}  // namespace

Outcome RunValidator(const char* encodingName, std::string_view bytes, RunOptions options) {
  const Encoding* encoding = FindEncoding(encodingName);
  EXPECT_NE(encoding, nullptr) << encodingName;
  Outcome outcome;
  if (encoding == nullptr) return outcome;
  static std::unique_ptr<CodeTables> loaded[kEncodingCount];
  std::unique_ptr<CodeTables>& tables = loaded[encoding - kEncodingTable];
  if (!tables) LoadTables(*(tables = std::make_unique<CodeTables>()), *encoding);
  std::pair<EncodingValidator*, std::string*> list{nullptr, options.positions};
  ReportSink sink(&outcome.lines, 4096), positionSink(AddPosition, &list);
  EncodingValidator validator(options.positions != nullptr ? &positionSink : &sink);
  list.first = &validator;
  validator.countLines = options.positions != nullptr;
  validator.tables = tables.get();
  std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
  ByteInput input(16);
  struct Pieces {
    std::string_view left;
    const RunOptions& options;
  } pieces{{reinterpret_cast<const char*>(exact.data()), exact.size()}, options};
  if (options.viaReader) {
    input.OpenReader(
        [](void* context, std::uint8_t* buffer, std::size_t size) -> std::ptrdiff_t {
          Pieces& from = *static_cast<Pieces*>(context);
          if (from.left.empty()) return from.options.readError ? -EIO : 0;
          std::size_t n = std::min({size, from.options.chunk, from.left.size()});
          std::copy_n(from.left.data(), n, buffer);
          from.left.remove_prefix(n);
          return static_cast<std::ptrdiff_t>(n);
        },
        &pieces);
  } else {
    input.OpenMemory(exact.data(), exact.size(), options.chunk);
  }
  validator.input = &input;
  validator.displayName = "t";
  validator.useFastPath = options.fastPath;
  validator.kernel = options.kernel;
  validator.strict = options.strict;
  outcome.valid = RunOperation(validator, *encoding);
  sink.Flush();
  outcome.fastBytes = validator.fastPathBytes;
  outcome.blockBytes = validator.blockKernelBytes;
  return outcome;
}

void ExpectPositions(const char* encodingName, std::string_view bytes,
                     const std::string& expected) {
  for (std::size_t chunk :
       {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{5}, std::size_t{7}, SIZE_MAX}) {
    for (bool fast : {true, false}) {
      for (bool viaReader : {false, true}) {
        std::string got;
        RunOptions options{chunk, fast};
        options.viaReader = viaReader;
        options.positions = &got;
        RunValidator(encodingName, bytes, options);
        EXPECT_EQ(got, expected) << encodingName << " chunk " << chunk << " fast " << fast
                                 << " reader " << viaReader;
      }
    }
  }
}

// `lines` without a last line for a character cut by the end (whose
// message, and only such, says "in EOF"): what a read error there gives.
std::string WithoutTruncation(const std::string& lines) {
  std::size_t last = lines.rfind('\n', lines.size() >= 2 ? lines.size() - 2 : 0);
  last = last == std::string::npos ? 0 : last + 1;
  return lines.find(" in EOF ", last) == std::string::npos ? lines : lines.substr(0, last);
}

void ExpectLines(const char* encodingName, std::string_view bytes, const std::string& lines,
                 bool strict) {
  for (std::size_t chunk :
       {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{5}, SIZE_MAX}) {
    for (bool fast : {true, false}) {
      RunOptions plain{chunk, fast};
      plain.strict = strict;
      Outcome got = RunValidator(encodingName, bytes, plain);
      EXPECT_EQ(std::tie(got.lines, got.valid), std::make_tuple(lines, lines.empty()))
          << encodingName << " chunk " << chunk << " fast " << fast;
      // Through the input's own buffer, which each refill overwrites, and
      // a read error where the input ends.
      RunOptions failing = plain;
      failing.viaReader = failing.readError = true;
      got = RunValidator(encodingName, bytes, failing);
      EXPECT_EQ(std::tie(got.lines, got.valid),
                std::make_tuple(WithoutTruncation(lines), lines.empty()))
          << encodingName << " chunk " << chunk << " fast " << fast << " read error";
    }
  }
}

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

void ExpectCases(std::initializer_list<ReportCase> cases) {
  for (const ReportCase& c : cases) {
    SCOPED_TRACE(c.label);
    ExpectLines(c.encoding, c.bytes, c.lines, c.strict);
  }
}

void Sweep::Add(std::string_view bytes, bool valid, Msg message, std::int64_t value) {
  input += bytes;
  if (!valid) expected += Line(offset, message, value);
  offset += static_cast<std::int64_t>(bytes.size());
}

void SweepPairs(const char* encodingName, std::string prefix, int firstLow, int firstHigh,
                const std::function<void(Sweep&, int, int)>& add) {
  Sweep sweep{prefix, "", static_cast<std::int64_t>(prefix.size())};
  for (int b1 = firstLow; b1 <= firstHigh; ++b1) {
    for (int b2 = 0; b2 < 256; ++b2) add(sweep, b1, b2);
  }
  Outcome fast = RunValidator(encodingName, sweep.input);
  EXPECT_EQ(std::tie(fast.lines, fast.valid),
            std::make_tuple(sweep.expected, sweep.expected.empty()))
      << encodingName;
  EXPECT_EQ(RunValidator(encodingName, sweep.input, {7, false, Kernel::Scalar}).lines,
            sweep.expected)
      << encodingName;
}

int TextbookShiftJis(int j1, int j2) {
  int s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
  int s2 = j2 + ((j1 & 1) ? (j2 >= 0x60 ? 0x20 : 0x1F) : 0x7E);
  return s1 << 8 | s2;
}

}  // namespace codvet
