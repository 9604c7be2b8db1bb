// A libFuzzer target for one validation operation, chosen when it is built.
// Every input is validated under each encoding name that uses the operation,
// by the plain step and by the fast path on each kernel the processor has, in
// one piece and in pieces small and near the kernels' block size: all must
// agree byte for byte, say valid exactly when they print nothing, and print
// well-formed lines whose offsets increase inside the input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "library/encoding_table.h"
#include "report/messages.h"
#include "report/report_sink.h"
#include "validators/block_kernels.h"
#include "validators/byte_input.h"
#include "validators/encoding_validator.h"

#ifndef CODVET_FUZZ_OPERATION
#error "CODVET_FUZZ_OPERATION names the operation under test"
#endif

namespace codvet {
namespace {

// The operation each fuzz target is named after, in the order of `Operation`.
constexpr const char* kOperationNames[] = {"shift_jis", "euc_jp", "iso2022_jp", "utf8", "utf16"};

[[noreturn]] void Fail(const char* what, const char* name, const std::string& detail) {
  std::fprintf(stderr, "%s (%s): %s\n", what, name, detail.c_str());
  std::abort();
}

// One validator per encoding name, its tables loaded once, as the program
// and the library load them.
struct Harness {
  std::string captured;
  ReportSink sink{&captured, 1 << 16};
  CodeTables tables;
  EncodingValidator validator{&sink};
  ByteInput input{64};

  // The report of one run, which must be empty exactly when the run says
  // the input is valid.
  std::string Run(const Encoding& encoding, const std::uint8_t* data, std::size_t size,
                  std::size_t chunk, bool fast, Kernel kernel = Kernel::Scalar) {
    captured.clear();
    input.OpenMemory(data, size, chunk);
    validator.tables = &tables;
    validator.input = &input;
    validator.displayName = "t";
    validator.useFastPath = fast;
    validator.kernel = kernel;
    bool valid = RunOperation(validator, encoding);
    sink.Flush();
    if (valid != captured.empty()) Fail("result disagrees with the output", encoding.name, "");
    return captured;
  }
};

// Each line is read leniently, then written again in its one correct form
// (no leading zeros, lower-case hex), which it must match exactly.
void CheckLines(const std::string& lines, std::size_t size, const char* name) {
  long long previous = -1;
  for (std::size_t at = 0, end; at < lines.size(); at = end + 1) {
    end = lines.find('\n', at);
    std::string line = lines.substr(at, end - at + 1);
    long long offset = -1;
    int start = 0;
    std::sscanf(line.c_str(), "\"t\" (%lld): %n", &offset, &start);
    if (offset <= previous || offset >= static_cast<long long>(size)) {
      Fail("offsets do not increase inside the input", name, line);
    }
    previous = offset;
    std::string_view message;
    bool hasValue = true;
    for (const MessageText& m : kMessageCatalogue) {
      if (line.compare(start, m.printed.size(), m.printed) == 0 &&
          m.printed.size() > message.size()) {
        message = m.printed;
        hasValue = m.id != Msg::InvalidSequence && m.id != Msg::UncertainEndian;
      }
    }
    unsigned value = 0;
    char tail[24] = "";
    if (hasValue) {
      std::sscanf(line.c_str() + start + message.size(), " (0x%x)", &value);
      std::snprintf(tail, sizeof tail, " (0x%x)", value);
    }
    if (message.empty() ||
        line != "\"t\" (" + std::to_string(offset) + "): " + std::string(message) + tail + "\n") {
      Fail("malformed line", name, line);
    }
  }
}

}  // namespace
}  // namespace codvet

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace codvet;
  static Harness* harnesses[kEncodingCount];
  for (int i = 0; i < kEncodingCount; ++i) {
    const Encoding& encoding = kEncodingTable[i];
    if (kOperationNames[static_cast<int>(encoding.operation)] !=
        std::string(CODVET_FUZZ_OPERATION)) {
      continue;
    }
    if (harnesses[i] == nullptr) {
      harnesses[i] = new Harness;
      LoadTables(harnesses[i]->tables, encoding);
    }
    // The strict rules have steps and kernels of their own in UTF-8 and
    // ISO-2022-JP, and change nothing elsewhere.
    bool hasStrict =
        encoding.operation == Operation::Utf8 || encoding.operation == Operation::Iso2022Jp;
    for (bool strict : {false, true}) {
      if (strict && !hasStrict) break;
      harnesses[i]->validator.strict = strict;
      std::string plain = harnesses[i]->Run(encoding, data, size, SIZE_MAX, false);
      CheckLines(plain, size, encoding.name);
      // Pieces cut inside characters, and around the kernels' block size.
      std::size_t small = 1 + (size == 0 ? 0 : data[size - 1] % 13);
      std::size_t block = 60 + (size == 0 ? 0 : data[0] % 8);
      for (Kernel kernel :
           {Kernel::Scalar, Kernel::Sse, Kernel::Avx2, Kernel::Avx512, Kernel::Neon}) {
        if (!KernelSupported(kernel)) continue;
        for (std::size_t chunk : {SIZE_MAX, small, block}) {
          std::string fast = harnesses[i]->Run(encoding, data, size, chunk, true, kernel);
          if (fast != plain) {
            Fail("fast path differs", encoding.name,
                 std::string(strict ? "strict, " : "") + "kernel " +
                     std::to_string(static_cast<int>(kernel)) + ", pieces of " +
                     std::to_string(chunk) + "\nplain:\n" + plain + "fast:\n" + fast);
          }
        }
      }
    }
  }
  return 0;
}
