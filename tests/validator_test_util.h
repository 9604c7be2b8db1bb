// What the tests share: running a validator over bytes in memory, report
// lines written independently of the program's own formatting, the eight
// encoding names, and the system's converter as an independent reference.
#ifndef TESTS_VALIDATOR_TEST_UTIL_H_
#define TESTS_VALIDATOR_TEST_UTIL_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "gtest/gtest.h"
#include "report/messages.h"
#include "validators/block_kernels.h"

namespace codvet {

// The accepted encoding names, in the program's order.
extern const char* const kTestEncodings[8];
// `in` converted by iconv, or nothing when it is missing or refuses the input.
std::optional<std::string> Convert(const char* from, const char* to, std::string_view in);

// A report line as the program writes it, for a message or any bytes in its
// place; a negative value prints none. Line: for the name "t" RunValidator uses.
std::string ReportText(std::string_view name, std::int64_t offset, Msg message,
                       std::int64_t value = -1);
std::string ReportText(std::string_view name, std::int64_t offset, std::string_view message,
                       std::int64_t value = -1);
inline std::string Line(std::int64_t offset, Msg message, std::int64_t value = -1) {
  return ReportText("t", offset, message, value);
}

// What one validation gave, and the bytes the fast path and, of those, the
// block kernels carried.
struct Outcome {
  bool valid = false;
  std::string lines;
  std::int64_t fastBytes = 0;
  std::int64_t blockBytes = 0;
  bool operator==(const Outcome& o) const { return valid == o.valid && lines == o.lines; }
};

struct RunOptions {
  std::size_t chunk = SIZE_MAX;  // the input arrives in pieces of this many bytes
  bool fastPath = true;
  Kernel kernel = BestKernel();
  // The pieces come from a read function into the input's own buffer, which
  // each refill overwrites, instead of from memory; `readError` has the
  // read after the last piece fail instead of end the input.
  bool viaReader = false;
  bool readError = false;
  // With it, the problems' lines and columns are counted and each goes there
  // as "OFFSET LINE:COLUMN " in place of its report line.
  std::string* positions = nullptr;
  bool strict = false;  // the strict rules (Options::strict)
};

// Validates an exactly sized copy of `bytes` (so that the sanitizers see any
// read past its end), with the encoding's tables loaded once, as the program
// loads them, for every validation of the tests.
Outcome RunValidator(const char* encodingName, std::string_view bytes, RunOptions options = {});

std::string Bytes(std::initializer_list<int> values);

// Checks the lines and columns of the problems of `bytes`, "OFFSET
// LINE:COLUMN " each, in pieces of every size, from memory and through a
// reader, with the fast path on and off.
void ExpectPositions(const char* encodingName, std::string_view bytes, const std::string& expected);

// Checks that validating `bytes` gives exactly `lines` (valid exactly when
// empty), whatever the size of the pieces and with the fast path on or off,
// and without a last truncation line when a read fails at the end;
// ExpectCases does so for each case.
void ExpectLines(const char* encodingName, std::string_view bytes, const std::string& lines,
                 bool strict = false);
struct ReportCase {
  const char *label, *encoding;
  std::string bytes, lines;
  bool strict = false;
};
void ExpectCases(std::initializer_list<ReportCase> cases);

// An input built one character at a time together with the report lines it
// must give: `message` (with `value`) for each invalid one.
struct Sweep {
  std::string input, expected;
  std::int64_t offset = 0;
  void Add(std::string_view bytes, bool valid, Msg message, std::int64_t value);
  void Add(std::string_view bytes) { Add(bytes, true, Msg::InvalidCharacter, 0); }
};

// Every first byte in [firstLow, firstHigh] followed by every second byte,
// after `prefix`, each added by `add`; the whole is checked on the fast path
// in one piece and on the plain path in pieces of seven bytes.
void SweepPairs(const char* encodingName, std::string prefix, int firstLow, int firstHigh,
                const std::function<void(Sweep&, int, int)>& add);

// The Shift_JIS code of JIS X 0208 bytes 0x21-0x7E, by the textbook formula.
int TextbookShiftJis(int j1, int j2);

}  // namespace codvet

#endif  // TESTS_VALIDATOR_TEST_UTIL_H_
