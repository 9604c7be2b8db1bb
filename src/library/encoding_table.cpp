#include "library/encoding_table.h"

#include "codeset/range_tables.h"
#include "platform/platform.h"

namespace codvet {

const Encoding kEncodingTable[kEncodingCount] = {
    {"shift_jis", kShiftJisRanges, kShiftJisRangesLength, nullptr, 0, Operation::ShiftJis,
     Utf16ByteOrder::Detect},
    {"windows-31j", kCp932Ranges, kCp932RangesLength, nullptr, 0, Operation::ShiftJis,
     Utf16ByteOrder::Detect},
    {"euc-jp", kShiftJisRanges, kShiftJisRangesLength, kJisX0212Ranges, kJisX0212RangesLength,
     Operation::EucJp, Utf16ByteOrder::Detect},
    {"iso-2022-jp", kShiftJisRanges, kShiftJisRangesLength, nullptr, 0, Operation::Iso2022Jp,
     Utf16ByteOrder::Detect},
    {"utf8", nullptr, 0, nullptr, 0, Operation::Utf8, Utf16ByteOrder::Detect},
    {"utf16", nullptr, 0, nullptr, 0, Operation::Utf16, Utf16ByteOrder::Detect},
    {"utf16be", nullptr, 0, nullptr, 0, Operation::Utf16, Utf16ByteOrder::BigEndian},
    {"utf16le", nullptr, 0, nullptr, 0, Operation::Utf16, Utf16ByteOrder::LittleEndian},
};

const Encoding* FindEncoding(const char* name) {
  for (const Encoding& encoding : kEncodingTable) {
    if (platform::NamesEqual(name, encoding.name)) return &encoding;
  }
  return nullptr;
}

void LoadTables(CodeTables& tables, const Encoding& encoding) {
  tables.Load(encoding.primaryTable, encoding.primaryLength, encoding.secondaryTable,
              encoding.secondaryLength, encoding.operation);
}

bool RunOperation(EncodingValidator& validator, const Encoding& encoding) {
  switch (encoding.operation) {
    case Operation::ShiftJis:
      return validator.ValidateShiftJis();
    case Operation::EucJp:
      return validator.ValidateEucJp();
    case Operation::Iso2022Jp:
      return validator.ValidateIso2022Jp();
    case Operation::Utf8:
      return validator.ValidateUtf8();
    case Operation::Utf16:
      return validator.ValidateUtf16(encoding.byteOrder);
  }
  return false;
}

}  // namespace codvet
