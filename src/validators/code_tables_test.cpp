// The tables are loaded once and then serve every input: one validator with
// one set of tables, taking inputs one after the other as the program takes
// its files, must give for each exactly what a fresh validator with fresh
// tables gives.
#include "validators/code_tables.h"

#include <string>
#include <vector>

#include "corpus.h"
#include "gtest/gtest.h"
#include "library/encoding_table.h"
#include "report/report_sink.h"
#include "validator_test_util.h"
#include "validators/byte_input.h"
#include "validators/encoding_validator.h"

namespace codvet {
namespace {

// A validator that keeps its tables, input and sink from one validation to
// the next; fast path and kernel as the program picks them.
class KeptValidator {
 public:
  explicit KeptValidator(const Encoding& encoding) : encoding_(encoding) {
    LoadTables(tables_, encoding);
    validator_.tables = &tables_;
    validator_.input = &input_;
    validator_.displayName = "t";
  }
  Outcome Validate(const std::string& bytes, std::size_t chunk) {
    lines_.clear();
    input_.OpenMemory(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), chunk);
    bool valid = RunOperation(validator_, encoding_);
    sink_.Flush();
    return {valid, lines_};
  }

 private:
  const Encoding& encoding_;
  std::string lines_;
  ReportSink sink_{&lines_, 4096};
  CodeTables tables_;
  EncodingValidator validator_{&sink_};
  ByteInput input_{64};
};

TEST(CodeTables, OneValidatorForManyInputsGivesWhatFreshOnesGive) {
  for (const char* name : kTestEncodings) {
    SCOPED_TRACE(name);
    const Encoding& encoding = *FindEncoding(name);
    // Inputs that end in every state a validation can leave behind (a
    // character or escape cut short, a two-byte mode, a byte order settled),
    // each followed by others that start afresh.
    std::vector<std::string> inputs = {"",         "\x1b$B",   "\x1b$B\x30\x21", "\x1b(J",
                                       "\xfe\xff", "\xff\xfe", "\x82",           "\x8f\xb0",
                                       "\xe3\x81", "A"};
    for (std::uint64_t seed = 0; seed < 8; ++seed) {
      std::string text =
          bench::MakeText(seed % 2 == 0 ? bench::CorpusKind::Japanese : bench::CorpusKind::Mixed,
                          name, 200 + 300 * seed, seed, seed >= 4);
      inputs.push_back(text);
      inputs.push_back(text.substr(0, text.size() / 3 + seed));
      std::string changed = text;
      changed[text.size() / 2] = static_cast<char>(0x80 + 16 * seed);
      inputs.push_back(changed);
    }
    KeptValidator reused(encoding);
    for (std::size_t chunk : {std::size_t{7}, SIZE_MAX}) {
      for (const std::string& bytes : inputs) {
        Outcome fresh = KeptValidator(encoding).Validate(bytes, chunk);
        EXPECT_EQ(reused.Validate(bytes, chunk), fresh) << testing::PrintToString(bytes);
      }
    }
  }
}

}  // namespace
}  // namespace codvet
