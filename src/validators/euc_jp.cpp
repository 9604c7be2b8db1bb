// EUC-JP.
//
// Four code sets, told apart by the first byte:
//   0x00-0x7F          one byte, always valid (no lookup);
//   0x8E (SS2) k       half-width katakana, k in 0xA1-0xDF (no lookup);
//   0x8F (SS3) r c     JIS X 0212, r and c with the high bit set, looked up
//                      without it in `secondary`;
//   any other byte, t  JIS X 0208, t with the high bit set, mapped to
//                      Shift_JIS and looked up in `primary`.
// Deliberate behaviours: the bytes after the first are consumed whatever they
// are (a line feed, an SS2 or SS3 among them) and never start a character of
// their own; SS3 reads both of its bytes before judging either, so SS3 and one
// byte at the end is a truncation whatever that byte is; a pair outside the
// 94 x 94 grid is reported like any other invalid pair.
#include "codeset/jis_to_shift_jis.h"
#include "report/messages.h"
#include "validators/encoding_validator.h"

namespace codvet {

namespace {

constexpr int kSs2 = 0x8E;
constexpr int kSs3 = 0x8F;

}  // namespace

bool EncodingValidator::ValidateEucJp() {
  std::int64_t offset = 0;
  bool result = true;
  for (;;) {
    int b0 = input->ReadByte();
    if (b0 == ByteInput::kEnd) return result;
    if (b0 < 0x80) {
      offset += 1;
      continue;
    }
    int b1 = input->ReadByte();
    if (b0 == kSs2) {
      if (b1 == ByteInput::kEnd) return ReportTruncation(offset, MsgAloneSs2, kSs2);
      if (b1 < 0xA1 || b1 > 0xDF) {
        Report(offset, MsgInvalidKanaCharacter, 0x8E00u + b1);
        result = false;
      }
      offset += 2;
      continue;
    }
    if (b0 == kSs3) {
      if (b1 == ByteInput::kEnd) return ReportTruncation(offset, MsgAloneSs3, kSs3);
      int b2 = input->ReadByte();
      if (b2 == ByteInput::kEnd) return ReportTruncation(offset, MsgAloneJisX0212Pair, 0x8F00u + b1);
      if (b1 < 0x80 || b2 < 0x80 || !secondary.Contains(static_cast<std::uint32_t>((b1 - 0x80) << 8 | (b2 - 0x80)))) {
        Report(offset, MsgInvalidJisX0212Character, 0x8F0000u + (b1 << 8) + b2);
        result = false;
      }
      offset += 3;
      continue;
    }
    if (b1 == ByteInput::kEnd) return ReportTruncation(offset, MsgAloneJisX0208Pair, b0);
    std::uint32_t pair = static_cast<std::uint32_t>(b0 << 8 | b1);
    if (b1 < 0x80) {
      Report(offset, MsgInvalidCharacter, pair);
      result = false;
    } else {
      std::int32_t code = JisToShiftJis(pair);
      if (code == kInvalidShiftJis || !primary.Contains(static_cast<std::uint32_t>(code))) {
        Report(offset, MsgInvalidCharacter, pair);
        result = false;
      }
    }
    offset += 2;
  }
}

}  // namespace codvet
