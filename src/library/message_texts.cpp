#include "library/message_texts.h"

#include "report/messages.h"

namespace codvet {

// clang-format off
const MessageTexts kMessageTexts[25] = {
    {"MsgInvalidCharacter", "Invalid Character", "適合しない文字です。", MsgInvalidCharacter},
    {"MsgAloneLeadByteSjis", "Alone Lead-Byte in EOF", "ファイルの最後に全角文字の第1バイトのみがあります", MsgAloneLeadByteSjis},
    {"MsgAloneJisX0208Pair", "Alone JIS X 0208 pair in EOF", "ファイルの最後にJIS X 0208の第1バイトのみがあります", MsgAloneJisX0208Pair},
    {"MsgAloneJisX0212Pair", "Alone JIS X 0212 pair in EOF", "ファイルの最後に補助漢字の2バイト目がありません", MsgAloneJisX0212Pair},
    {"MsgAloneSs2", "Alone SS2 in EOF", "ファイルの最後にSS2のみがあります", MsgAloneSs2},
    {"MsgAloneSs3", "Alone SS3 in EOF", "ファイルの最後にSS3のみがあります", MsgAloneSs3},
    {"MsgInvalidKanaCharacter", "Invalid Character", "適合しない文字です(JIS X 0201カナ)", MsgInvalidKanaCharacter},
    {"MsgInvalidJisX0212Character", "Invalid Character", "適合しない文字です(JIS X 0221補助漢字)。", MsgInvalidJisX0212Character},
    {"MsgAloneLeadByteJis", "Alone Lead-Byte in EOF", "ファイルの最後に2バイト文字の第1バイトのみがあります", MsgAloneLeadByteJis},
    {"MsgIncompleteEscape", "Incomplete ESC Seq. in EOF", "ファイルの最後に不完全なエスケープシーケンスがあります", MsgIncompleteEscape},
    {"MsgLineBreakInNonAscii", "Line Break detected in non-ASCII mode", "ASCIIモード以外で改行文字を検出しました", MsgLineBreakInNonAscii},
    {"MsgJis1978Character", "Warning: detected JIS X 0208-1978 Character.", "JIS X 0208-1978の文字が検出されました(古い規格です)。", MsgJis1978Character},
    {"MsgControlInTwoByteMode", "Control Character in 2byte mode", "2バイト文字モード中に制御コードを検出しました", MsgControlInTwoByteMode},
    {"MsgInvalidEscape", "Invalid ESC Seq.", "定義されないエスケープシーケンスです", MsgInvalidEscape},
    {"MsgJis1978Escape", "Warning: detected JIS X 0208-1978 ESC Seq.", "JIS X 0208-1978を選択するエスケープシーケンスを検出しました(古い規格です)。", MsgJis1978Escape},
    {"MsgInvalidSecondByte", "Invalid code in 2nd byte or later", "UTF8の2バイト目以降に出現してはならないデータです", MsgInvalidSecondByte},
    {"MsgInvalidContinuation", "Invalid code in 2nd byte or later.", "UTF8の2バイト目以降に出現してはならないデータです", MsgInvalidContinuation},
    {"MsgSurrogateInUtf8", "Detected invalid sarrogate pair code.", "サロゲートペア用コードが直接出現しました", MsgSurrogateInUtf8},
    {"MsgInvalidSequence", "Invalid Seq.", "あり得ない不正なバイト列です", MsgInvalidSequence},
    {"MsgIncompleteCharacterUtf8", "Incomplete Character in EOF", "ファイルの最後に完了していない文字があります", MsgIncompleteCharacterUtf8},
    {"MsgFffeMustNotAppear", "Must not appear 0xfffe.", "0xfffeは出現してはならないデータです。", MsgFffeMustNotAppear},
    {"MsgLoneTrailSurrogate", "Detected Trailer Half of Sarrogate Pair.", "サロゲートペアの後半のみを検出しました。", MsgLoneTrailSurrogate},
    {"MsgInvalidTrailSurrogate", "Invalid Trailer Half of Sarrogate Pair.", "サロゲートペアの後半が不適切です。", MsgInvalidTrailSurrogate},
    {"MsgIncompleteCharacterUtf16", "Incomplete Character in EOF", "ファイルの最後の文字は完了していません", MsgIncompleteCharacterUtf16},
    {"MsgUncertainEndian", "Uncertain Endian", "エンディアンが不明です", MsgUncertainEndian},
};
// clang-format on

int FindMessage(std::string_view message) {
  // The validators pass the catalogue's own views, so the data pointer
  // nearly always matches; the content decides where a build keeps more than
  // one copy of a literal.
  const auto index = [](const MessageTexts& texts) {
    return static_cast<int>(&texts - kMessageTexts);
  };
  for (const MessageTexts& texts : kMessageTexts) {
    if (texts.report.data() == message.data() && texts.report.size() == message.size()) {
      return index(texts);
    }
  }
  for (const MessageTexts& texts : kMessageTexts) {
    if (texts.report == message) return index(texts);
  }
  return -1;
}

}  // namespace codvet
