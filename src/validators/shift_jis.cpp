// Shift_JIS and Windows-31J.
//
// A byte from 0x81-0x9F or 0xE0-0xFC opens a two-byte character; every other
// byte stands alone. Validity is never decided here: a single byte is looked
// up as its own code and a pair as lead * 256 + trail in `primary`, which
// holds pure Shift_JIS or code page 932. Deliberate behaviours:
// - the byte after a lead byte is always its second byte, whatever it is (a
//   line feed or another lead byte included), and is never read again;
// - a lead byte at the very end is reported alone, with its own value.
#include "report/messages.h"
#include "validators/encoding_validator.h"

namespace codvet {

bool EncodingValidator::ValidateShiftJis() {
  std::int64_t offset = 0;
  bool result = true;
  for (;;) {
    int b1 = input->ReadByte();
    if (b1 == ByteInput::kEnd) return result;
    if (!IsShiftJisLeadByte(b1)) {
      if (!primary.Contains(b1)) {
        Report(offset, MsgInvalidCharacter, b1);
        result = false;
      }
      offset += 1;
      continue;
    }
    int b2 = input->ReadByte();
    if (b2 == ByteInput::kEnd) return ReportTruncation(offset, MsgAloneLeadByteSjis, b1);
    std::uint32_t code = static_cast<std::uint32_t>(b1 << 8 | b2);
    if (!primary.Contains(code)) {
      Report(offset, MsgInvalidCharacter, code);
      result = false;
    }
    offset += 2;
  }
}

}  // namespace codvet
