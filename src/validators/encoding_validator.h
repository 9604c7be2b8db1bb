// The validator object: the tables that decide which characters exist, the
// input under validation and its name, and one validation operation per
// encoding family.
#ifndef SRC_VALIDATORS_ENCODING_VALIDATOR_H_
#define SRC_VALIDATORS_ENCODING_VALIDATOR_H_

#include <cstdint>
#include <string_view>

#include "report/messages.h"
#include "report/report_sink.h"
#include "validators/block_kernels.h"
#include "validators/byte_input.h"
#include "validators/code_tables.h"
#include "validators/encoding_basics.h"

namespace codvet {

// Every operation reads `input` from its position to the end (or to a
// character cut short by the end), prints one report line per problem
// through `output`, and returns true only if it printed nothing. Offsets
// count from 0 at the first byte of each input and name the first byte of
// the character concerned; a byte once consumed is never read again.
class EncodingValidator {
 public:
  // A validator without tables yet: set `tables` before the first
  // validation.
  explicit EncodingValidator(ReportSink* output) : output(output) {}

  // The code sets and what the fast paths derive from them, loaded for the
  // operation that runs; they belong to the caller and are only read here.
  const CodeTables* tables = nullptr;
  // The input under validation and the name its reports carry; both belong
  // to the caller.
  ByteInput* input = nullptr;
  std::string_view displayName;
  // Where report lines go.
  ReportSink* output;
  // False runs the step alone, character by character, which the fast path
  // must match line for line.
  bool useFastPath = true;
  // Whether problems carry their line and column, and whether the strict
  // rules apply (the library's Options); the program sets neither.
  bool countLines = false;
  bool strict = false;
  // With countLines, the line and column of the problem being reported
  // (line_cursor.h says how they count), for the sink's handler to read.
  std::int64_t problemLine = 0;
  std::int64_t problemColumn = 0;
  // The block kernels the fast path uses; one the processor lacks must not
  // be set.
  Kernel kernel = BestKernel();
  // Bytes passed since construction by the fast path, and of those by the
  // block kernels: how tests see that valid text goes the fast way.
  std::int64_t fastPathBytes = 0;
  std::int64_t blockKernelBytes = 0;

  bool ValidateShiftJis();
  bool ValidateEucJp();
  bool ValidateIso2022Jp();
  bool ValidateUtf8();
  bool ValidateUtf16(Utf16ByteOrder byteOrder);

 private:
  // The loop every operation runs over its encoding's codec (step_loop.h).
  template <typename Codec>
  bool RunSteps(const Codec& codec, typename Codec::State state, bool useFast);
  template <typename Codec, bool Lines>
  bool RunSteps(const Codec& codec, typename Codec::State state, bool useFast);
  template <typename Cursor>
  void SetPosition(const Cursor& cursor) {
    problemLine = cursor.line();
    problemColumn = cursor.column();
  }
  void Report(std::int64_t offset, Msg message, std::uint32_t value) {
    output->Report(offset, message, value);
  }
  void ReportNoValue(std::int64_t offset, Msg message) { output->ReportNoValue(offset, message); }
};

}  // namespace codvet

#endif  // SRC_VALIDATORS_ENCODING_VALIDATOR_H_
