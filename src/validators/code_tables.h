// Which characters exist, in every form the validators consult: the two code
// sets loaded from the range tables, and what the fast paths derive from
// them. Made once, before the first input (once per run in the program, once
// per codvet::Validator in the library), and only read afterwards: every
// input shares the same tables, and validators on several threads may share
// one object.
#ifndef SRC_VALIDATORS_CODE_TABLES_H_
#define SRC_VALIDATORS_CODE_TABLES_H_

#include <cstdint>

#include "codeset/code_set.h"
#include "validators/block_kernels.h"
#include "validators/byte_scan.h"
#include "validators/jis_pair_set.h"

namespace codvet {

// The validation operations of EncodingValidator, one per encoding family.
enum class Operation { ShiftJis, EucJp, Iso2022Jp, Utf8, Utf16 };

// What the Shift_JIS fast path knows of the primary set.
struct ShiftJisTables {
  enum Kind : std::uint8_t { kStop, kSingle, kLead };
  // Each byte as the first of a character: a lead byte, a valid single byte,
  // or neither.
  std::uint8_t kind[256] = {};
  // The longest run of valid single bytes below 0x80, skipped in blocks.
  ByteRange ascii;
  // What the block kernels know.
  ShiftJisSummary summary = {};
};

// What the EUC-JP and ISO-2022-JP fast paths know of the primary set.
struct JisTables {
  // The JIS X 0208 pairs that are characters, the second byte's high bit
  // required (EUC-JP) or ignored (ISO-2022-JP).
  JisPairSet pairs;
  // What the block kernels know: the longest run of valid cells of each row.
  PairRanges rows = {};
};

class CodeTables {
 public:
  // Both code sets empty (8,192 bytes each), nothing derived; ok() tells
  // whether the sets' memory was had.
  CodeTables() = default;
  CodeTables(const CodeTables&) = delete;
  CodeTables& operator=(const CodeTables&) = delete;

  bool ok() const { return primary.ok() && secondary.ok(); }

  // Loads each code set from its range table (a null table leaves it
  // empty), then derives from them what the fast path of `operation` needs.
  // Called before the tables are read, not while they are.
  void Load(const std::uint16_t* primaryTable, std::int32_t primaryLength,
            const std::uint16_t* secondaryTable, std::int32_t secondaryLength, Operation operation);

  // Valid single bytes and two-byte codes in Shift_JIS form.
  CodeSet primary;
  // Valid JIS X 0212 codes in seven-bit row and cell form (EUC-JP only).
  CodeSet secondary;
  // The operation whose fast path the tables below were derived for; a
  // fast path never reads tables made for another.
  Operation operation = Operation::Utf8;
  bool derived = false;
  ShiftJisTables shiftJis;  // for Operation::ShiftJis
  JisTables jis;            // for Operation::EucJp and Operation::Iso2022Jp

  // Whether the fast path of `op` has its tables.
  bool DerivedFor(Operation op) const { return derived && operation == op; }
};

}  // namespace codvet

#endif  // SRC_VALIDATORS_CODE_TABLES_H_
