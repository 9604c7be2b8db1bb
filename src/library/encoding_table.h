// The accepted encoding names, what each loads into the code sets and which
// operation it runs.
#ifndef SRC_LIBRARY_ENCODING_TABLE_H_
#define SRC_LIBRARY_ENCODING_TABLE_H_

#include <cstdint>

#include "codvet/codvet.h"
#include "validators/encoding_validator.h"

namespace codvet {

struct Encoding {
  const char* name;
  const std::uint16_t* primaryTable;  // null: nothing is loaded
  std::int32_t primaryLength;
  const std::uint16_t* secondaryTable;
  std::int32_t secondaryLength;
  Operation operation;
  Utf16ByteOrder byteOrder;  // for Utf16 only
};

extern const Encoding kEncodingTable[kEncodingCount];

// Returns the row whose name equals `name` without regard to case, or null.
const Encoding* FindEncoding(const char* name);

// Loads the code sets `encoding` needs (each load clears the set first) and
// derives from them the tables of its operation's fast path: once, before
// the first input.
void LoadTables(CodeTables& tables, const Encoding& encoding);

// Runs the operation of `encoding` over the validator's input, with the
// validator's tables, which must have been loaded for `encoding`.
bool RunOperation(EncodingValidator& validator, const Encoding& encoding);

}  // namespace codvet

#endif  // SRC_LIBRARY_ENCODING_TABLE_H_
