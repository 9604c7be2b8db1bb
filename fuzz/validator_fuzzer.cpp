// A libFuzzer target for one validation operation, chosen when it is built.
//
// Every input is validated under each encoding name that uses the operation:
// by the plain byte-at-a-time path, and by the fast path on each block kernel
// the processor has, over one block, small pieces and pieces near the
// kernels' block size. All must agree byte for byte, and the output must keep
// the invariants every run keeps: the result is true exactly when nothing was
// printed, every line has one of the two report forms with a catalogue
// message, and offsets increase and stay inside the input.
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

struct Result {
  bool valid;
  std::string lines;
};

// The encoding names whose operation this target exercises.
struct Target {
  const char* operation;
  const char* names[3];
};

constexpr Target kTargets[] = {
    {"shift_jis", {"shift_jis", "windows-31j", nullptr}}, {"euc_jp", {"euc-jp", nullptr, nullptr}},
    {"iso2022_jp", {"iso-2022-jp", nullptr, nullptr}},    {"utf8", {"utf8", nullptr, nullptr}},
    {"utf16", {"utf16", "utf16be", "utf16le"}},
};

const Target& ThisTarget() {
  for (const Target& t : kTargets) {
    if (std::string_view(t.operation) == CODVET_FUZZ_OPERATION) return t;
  }
  std::abort();
}

[[noreturn]] void Fail(const char* what, const char* name, const std::string& detail) {
  std::fprintf(stderr, "%s (%s): %s\n", what, name, detail.c_str());
  std::abort();
}

// One validator per encoding name, its code sets loaded once: reloading them
// for every run would cost more than most inputs.
struct Harness {
  std::string captured;
  ReportSink sink{&captured, 1 << 16};
  EncodingValidator validator{&sink};
  ByteInput input{64};
};

Result Run(const Encoding& encoding, Harness& harness, const std::uint8_t* data, std::size_t size,
           std::size_t chunk, bool fast, Kernel kernel = Kernel::Scalar) {
  harness.captured.clear();
  harness.input.OpenMemory(data, size, chunk);
  harness.validator.input = &harness.input;
  harness.validator.displayName = "t";
  harness.validator.useFastPath = fast;
  harness.validator.kernel = kernel;
  bool valid = RunOperation(harness.validator, encoding);
  harness.sink.Flush();
  return {valid, harness.captured};
}

bool ReadNumber(std::string_view& rest, int base, std::uint64_t* value) {
  std::size_t digits = 0;
  *value = 0;
  while (digits < rest.size()) {
    char c = rest[digits];
    int d = c >= '0' && c <= '9' ? c - '0' : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (d < 0) break;
    *value = *value * base + static_cast<std::uint64_t>(d);
    ++digits;
  }
  // No leading zeros: "0" alone is the only number that starts with 0.
  if (digits == 0 || (digits > 1 && rest[0] == '0')) return false;
  rest.remove_prefix(digits);
  return true;
}

bool Consume(std::string_view& rest, std::string_view prefix) {
  if (rest.substr(0, prefix.size()) != prefix) return false;
  rest.remove_prefix(prefix.size());
  return true;
}

void CheckInvariants(const Result& r, std::size_t size, const char* name) {
  if (r.valid != r.lines.empty()) Fail("result disagrees with the output", name, r.lines);
  std::string_view rest = r.lines;
  bool first = true;
  std::uint64_t previous = 0;
  while (!rest.empty()) {
    std::string_view line = rest.substr(0, rest.find('\n') + 1);
    std::string text(line);
    std::uint64_t offset;
    if (!Consume(rest, "\"t\" (") || !ReadNumber(rest, 10, &offset) || !Consume(rest, "): ")) {
      Fail("malformed line", name, text);
    }
    if (offset >= size) Fail("offset beyond the input", name, text);
    if (!first && offset <= previous) Fail("offsets do not increase", name, text);
    first = false;
    previous = offset;
    std::string_view message;
    for (std::string_view m : kMessages) {
      if (rest.substr(0, m.size()) == m && m.size() > message.size()) message = m;
    }
    if (message.empty()) Fail("unknown message", name, text);
    rest.remove_prefix(message.size());
    std::uint64_t value;
    bool bare = message == MsgInvalidSequence || message == MsgUncertainEndian;
    if (bare ? !Consume(rest, "\n")
             : !Consume(rest, " (0x") || !ReadNumber(rest, 16, &value) || !Consume(rest, ")\n")) {
      Fail("malformed line", name, text);
    }
  }
}

}  // namespace
}  // namespace codvet

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace codvet;
  static Harness* harnesses[3];
  for (int i = 0; i < 3 && ThisTarget().names[i] != nullptr; ++i) {
    const char* name = ThisTarget().names[i];
    const Encoding* encoding = FindEncoding(name);
    if (encoding == nullptr) std::abort();
    if (harnesses[i] == nullptr) {
      harnesses[i] = new Harness;
      LoadCodeSets(harnesses[i]->validator, *encoding);
    }
    Harness& harness = *harnesses[i];
    Result plain = Run(*encoding, harness, data, size, SIZE_MAX, false);
    CheckInvariants(plain, size, name);
    // Pieces cut inside characters, and around the kernels' block size.
    std::size_t small = 1 + (size == 0 ? 0 : data[size - 1] % 13);
    std::size_t block = 60 + (size == 0 ? 0 : data[0] % 8);
    for (Kernel kernel : {Kernel::Scalar, Kernel::Avx2, Kernel::Avx512}) {
      if (!KernelSupported(kernel)) continue;
      for (std::size_t chunk : {SIZE_MAX, small, block}) {
        Result fast = Run(*encoding, harness, data, size, chunk, true, kernel);
        if (fast.valid != plain.valid || fast.lines != plain.lines) {
          Fail("fast path differs", name,
               "kernel " + std::to_string(static_cast<int>(kernel)) + ", pieces of " +
                   std::to_string(chunk) + "\nplain:\n" + plain.lines + "fast:\n" + fast.lines);
        }
      }
    }
  }
  return 0;
}
