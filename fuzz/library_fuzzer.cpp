// A libFuzzer target for the library's own surface, as a careless caller
// uses it. Every input is validated under all eight encodings by the program's
// path, which gives the reference lines, and then through the library: whole,
// collected with a limit, from a read function that hands out pieces of
// random sizes, stopped at
// a chosen problem, through the C interface into a small array, and with
// another validator run and this one re-entered from inside a problem
// function. Each must give the reference's problems, or the right prefix of
// them, with the right status.
#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "codvet/codvet.h"
#include "codvet/codvet_c.h"
#include "library/encoding_table.h"
#include "report/report_sink.h"
#include "validators/encoding_validator.h"

namespace {

using codvet::Problem;
using codvet::Status;

[[noreturn]] void Fail(const char* what, int encoding, const std::string& detail = "") {
  std::fprintf(stderr, "%s (%s)\n%s\n", what, codvet::EncodingName(encoding), detail.c_str());
  std::abort();
}

// The lines the program prints for these problems in an input named "t".
std::string Lines(const std::vector<Problem>& problems) {
  std::string out;
  for (const Problem& p : problems) {
    char number[48], hex[24] = "";
    std::snprintf(number, sizeof number, "\"t\" (%" PRId64 "): ", p.offset);
    if (p.hasValue) std::snprintf(hex, sizeof hex, " (0x%" PRIx32 ")", p.value);
    out += number + std::string(codvet::MessageReportText(p.message)) + hex + "\n";
  }
  return out;
}

// What the program prints for the bytes, through its own path.
std::string ProgramLines(int encoding, const std::uint8_t* data, std::size_t size) {
  static codvet::EncodingValidator* validators[codvet::kEncodingCount];
  static std::string captured;
  static codvet::ReportSink sink(&captured, 1 << 16);
  static codvet::ByteInput input;
  const codvet::Encoding& table = codvet::kEncodingTable[encoding];
  if (validators[encoding] == nullptr) {
    auto* tables = new codvet::CodeTables;
    codvet::LoadTables(*tables, table);
    validators[encoding] = new codvet::EncodingValidator(&sink);
    validators[encoding]->tables = tables;
  }
  captured.clear();
  input.OpenMemory(data, size, SIZE_MAX);
  validators[encoding]->input = &input;
  validators[encoding]->displayName = "t";
  codvet::RunOperation(*validators[encoding], table);
  sink.Flush();
  return captured;
}

// A small generator for piece sizes and choices, seeded from the input.
struct Choices {
  std::uint32_t state;
  std::uint32_t Next(std::uint32_t bound) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % bound;
  }
};

void CheckEncoding(int encoding, const std::uint8_t* data, std::size_t size, Choices& choices) {
  static codvet::Validator* validators[codvet::kEncodingCount];
  if (validators[encoding] == nullptr) {
    validators[encoding] = new codvet::Validator(codvet::EncodingName(encoding));
  }
  codvet::Validator& v = *validators[encoding];
  const std::string expected = ProgramLines(encoding, data, size);

  std::vector<Problem> all;
  Status status = v.Validate(data, size, &all);
  if (Lines(all) != expected) Fail("collected problems differ", encoding, Lines(all) + expected);
  if (status != (all.empty() ? Status::Valid : Status::Invalid)) Fail("status", encoding);
  if (v.Validate(data, size, nullptr, nullptr) != status) Fail("yes/no status", encoding);

  std::size_t at = 0;
  auto read = [&](std::uint8_t* buffer, std::size_t room) -> std::ptrdiff_t {
    std::size_t n = std::min({room, size - at, std::size_t{1} + choices.Next(200)});
    std::copy_n(data + at, n, buffer);
    at += n;
    return static_cast<std::ptrdiff_t>(n);
  };
  std::vector<Problem> got;
  auto keep = [&](const Problem& p) { return got.push_back(p), true; };
  if (v.ValidateReader(read, keep) != status || Lines(got) != expected) {
    Fail("problems in pieces differ", encoding, Lines(got) + expected);
  }

  // Stopped at problem k, collected with a limit, and into a C array.
  std::size_t k = choices.Next(static_cast<std::uint32_t>(all.size()) + 2);
  std::vector<Problem> prefix(all.begin(), all.begin() + std::min(k, all.size()));
  Status limited = k < all.size() ? Status::Stopped : status;
  got.clear();
  if (v.Validate(data, size, &got, k) != limited || Lines(got) != Lines(prefix)) {
    Fail("limited collection", encoding);
  }
  got.clear();
  auto stopAt = [&](const Problem& p) { return got.push_back(p), got.size() <= k; };
  if (v.Validate(data, size, stopAt) != (k < all.size() ? Status::Stopped : status) ||
      got.size() != std::min(k + 1, all.size())) {
    Fail("stop", encoding);
  }
  static codvet_validator* c[codvet::kEncodingCount];
  if (c[encoding] == nullptr) codvet_validator_new(codvet::EncodingName(encoding), &c[encoding]);
  std::vector<codvet_problem> array(k);
  std::size_t count = 0;
  if (codvet_validate_collect(c[encoding], data, size, array.data(), k, &count) !=
          static_cast<codvet_status>(limited) ||
      count != prefix.size() ||
      !std::equal(prefix.begin(), prefix.end(), array.begin(),
                  [](const Problem& p, const codvet_problem& q) {
                    return p.offset == q.offset && static_cast<int>(p.message) == q.message &&
                           p.hasValue == (q.has_value != 0) && p.value == q.value;
                  })) {
    Fail("C collection", encoding);
  }

  // From inside a problem function: this validator is busy, another one
  // works as usual.
  int other = (encoding + 1 + static_cast<int>(choices.Next(7))) % codvet::kEncodingCount;
  if (validators[other] == nullptr) {
    validators[other] = new codvet::Validator(codvet::EncodingName(other));
  }
  const std::string otherExpected = ProgramLines(other, data, size);
  got.clear();
  auto nested = [&](const Problem& p) {
    got.push_back(p);
    if (got.size() > 2) return true;  // a few nested runs show it; more cost time
    std::vector<Problem> inner;
    if (v.Validate(data, size, &inner) != Status::Busy || !inner.empty()) {
      Fail("re-entry was not refused", encoding);
    }
    validators[other]->Validate(data, size, &inner);
    if (Lines(inner) != otherExpected) Fail("nested validation differs", other);
    return true;
  };
  if (v.Validate(data, size, nested) != status || Lines(got) != expected) {
    Fail("outer validation harmed", encoding);
  }
  // Lines and columns move no problem, start at 1, never go back (an
  // escape takes no column, so the next problem may share one), and come
  // out the same whether the bytes are in memory or in pieces.
  codvet::Options options;
  options.lines = true;
  options.strict = choices.Next(2) == 1;
  v.SetOptions(options);
  std::vector<Problem> located;
  Status locatedStatus = v.Validate(data, size, &located);
  if (!options.strict && (locatedStatus != status || Lines(located) != expected)) {
    Fail("counting lines changed the problems", encoding);
  }
  for (std::size_t i = 0; i < located.size(); ++i) {
    const Problem& p = located[i];
    bool back = i > 0 && (p.line < located[i - 1].line ||
                          (p.line == located[i - 1].line && p.column < located[i - 1].column));
    if (p.line < 1 || p.column < 1 || back) Fail("line and column out of order", encoding);
  }
  at = 0;
  got.clear();
  if (v.ValidateReader(read, keep) != locatedStatus || got.size() != located.size() ||
      !std::equal(got.begin(), got.end(), located.begin(), [](const Problem& a, const Problem& b) {
        return a.offset == b.offset && a.line == b.line && a.column == b.column;
      })) {
    Fail("lines in pieces differ", encoding);
  }
  v.SetOptions(codvet::Options());

  // The finder agrees with this encoding's own answer, strict or not.
  static codvet::EncodingFinder finder;
  finder.SetOptions(options);
  unsigned mask = 0;
  if (finder.Find(data, size, &mask) != Status::Valid ||
      ((mask >> encoding & 1) != 0) != (locatedStatus == Status::Valid)) {
    Fail("the finder disagrees", encoding);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Choices choices{static_cast<std::uint32_t>(size) * 2654435761u ^
                  (size > 0 ? data[size - 1] : 0u)};
  for (int encoding = 0; encoding < codvet::kEncodingCount; ++encoding) {
    CheckEncoding(encoding, data, size, choices);
  }
  return 0;
}
