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

// `in` converted by the system's converter (iconv), or nothing when the
// converter is missing or refuses the input.
std::optional<std::string> Convert(const char* from, const char* to, std::string_view in);

// A report line as the program writes it; a negative value prints none.
std::string ReportText(std::string_view name, std::int64_t offset, Msg message,
                       std::int64_t value = -1);
// The same with any bytes in place of a message's text.
std::string ReportText(std::string_view name, std::int64_t offset, std::string_view message,
                       std::int64_t value = -1);
// A report line for the display name "t" that RunValidator uses.
inline std::string Line(std::int64_t offset, Msg message, std::int64_t value = -1) {
  return ReportText("t", offset, message, value);
}

// What one validation gave, and how many bytes the fast path and, of those,
// the block kernels carried.
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
};

// Validates an exactly sized copy of `bytes` (so that the sanitizers see any
// read past its end) as the named encoding, with its tables loaded once, as
// the program loads them, and shared by every validation of the tests;
// reports carry the display name "t".
Outcome RunValidator(const char* encodingName, std::string_view bytes, RunOptions options = {});

// Checks that validating `bytes` gives exactly `lines` (valid exactly when
// empty), whatever the size of the pieces and with the fast path on or off.
void ExpectLines(const char* encodingName, std::string_view bytes, const std::string& lines);

// Bytes from a list of byte values.
std::string Bytes(std::initializer_list<int> values);

// Checks each case with ExpectLines: bytes under an encoding name and the
// exact report lines they give.
struct ReportCase {
  const char* label;
  const char* encoding;
  std::string bytes;
  std::string lines;
};
void ExpectCases(std::initializer_list<ReportCase> cases);

// An input built piece by piece together with the report lines it must give.
struct Sweep {
  std::string input;
  std::string expected;
  std::int64_t offset = 0;
  // Appends `bytes`, one character; `message` (with `value`) when reported.
  void Add(std::string_view bytes, bool valid, Msg message, std::int64_t value);
  // Appends `bytes`, one valid character.
  void Add(std::string_view bytes) { Add(bytes, true, Msg::InvalidCharacter, 0); }
};

// Every first byte in [firstLow, firstHigh] followed by every second byte,
// after `prefix`: `add` appends each pair to the sweep with its expected
// report. The whole input is then checked on the fast path in one piece and
// on the plain path in pieces of seven bytes.
void SweepPairs(const char* encodingName, std::string prefix, int firstLow, int firstHigh,
                const std::function<void(Sweep&, int, int)>& add);

// The Shift_JIS code of a JIS X 0208 row and cell given as two bytes 0x21-0x7E,
// from the textbook formula.
int TextbookShiftJis(int j1, int j2);

}  // namespace codvet

#endif  // TESTS_VALIDATOR_TEST_UTIL_H_
