#include "validators/code_tables.h"

#include <iterator>

#include "validators/encoding_validator.h"

namespace codvet {

namespace {

void DeriveShiftJis(const CodeSet& primary, ShiftJisTables& tables) {
  int runStart = 0;
  int bestLength = 0;
  tables.ascii = ByteRange();
  for (int b = 0; b < static_cast<int>(std::size(tables.kind)); ++b) {
    if (IsShiftJisLeadByte(b)) {
      tables.kind[b] = ShiftJisTables::kLead;
    } else {
      tables.kind[b] = primary.Contains(static_cast<std::uint32_t>(b)) ? ShiftJisTables::kSingle
                                                                       : ShiftJisTables::kStop;
    }
    if (b >= 0x80) continue;
    if (tables.kind[b] != ShiftJisTables::kSingle) {
      runStart = b + 1;
    } else if (b + 1 - runStart > bestLength) {
      bestLength = b + 1 - runStart;
      tables.ascii = {static_cast<std::uint8_t>(runStart), static_cast<std::uint8_t>(b)};
    }
  }
  SummarizeShiftJis(primary, tables.summary);
}

void DeriveJis(const CodeSet& primary, JisPairSet::SecondByte second, JisTables& tables) {
  tables.pairs.Load(primary, second);
  SummarizeJisRows(primary, tables.rows);
}

}  // namespace

void CodeTables::Load(const std::uint16_t* primaryTable, std::int32_t primaryLength,
                      const std::uint16_t* secondaryTable, std::int32_t secondaryLength,
                      Operation op) {
  // Each load clears the set first, so a set without a table is empty.
  primary.LoadRanges(primaryTable, primaryTable != nullptr ? primaryLength : 0);
  secondary.LoadRanges(secondaryTable, secondaryTable != nullptr ? secondaryLength : 0);
  operation = op;
  derived = true;
  switch (op) {
    case Operation::ShiftJis:
      DeriveShiftJis(primary, shiftJis);
      break;
    case Operation::EucJp:
      DeriveJis(primary, JisPairSet::kHighBitRequired, jis);
      break;
    case Operation::Iso2022Jp:
      DeriveJis(primary, JisPairSet::kHighBitIgnored, jis);
      break;
    case Operation::Utf8:
    case Operation::Utf16:
      break;
  }
}

}  // namespace codvet
