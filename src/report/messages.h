// The catalogue of report messages.
//
// Each message is an English phrase, one blank, and the same statement in
// Japanese. The Japanese half is stored as Shift_JIS (CP932) bytes and is
// written as such whatever encoding is being validated and whatever the
// locale; the readable text is in the comment above each message. The texts
// are the program's own and are kept exactly, misspellings included.
#ifndef SRC_REPORT_MESSAGES_H_
#define SRC_REPORT_MESSAGES_H_

#include <string_view>

namespace codvet {

// Data laid out by hand, one entry per line; kept out of the formatter.
// clang-format off

// Invalid Character 適合しない文字です。
inline constexpr std::string_view MsgInvalidCharacter =
    "Invalid Character \x93\x4b\x8d\x87\x82\xb5\x82\xc8\x82\xa2\x95\xb6\x8e\x9a\x82\xc5\x82\xb7\x81\x42";
static_assert(MsgInvalidCharacter.size() == 38);

// Alone Lead-Byte in EOF ファイルの最後に全角文字の第1バイトのみがあります
inline constexpr std::string_view MsgAloneLeadByteSjis =
    "Alone Lead-Byte in EOF \x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x8d\xc5\x8c\xe3\x82\xc9\x91\x53\x8a\x70\x95\xb6\x8e\x9a\x82\xcc\x91\xe6" "1\x83\x6f\x83\x43\x83\x67\x82\xcc\x82\xdd\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7";
static_assert(MsgAloneLeadByteSjis.size() == 72);

// Alone JIS X 0208 pair in EOF ファイルの最後にJIS X 0208の第1バイトのみがあります
inline constexpr std::string_view MsgAloneJisX0208Pair =
    "Alone JIS X 0208 pair in EOF \x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x8d\xc5\x8c\xe3\x82\xc9JIS X 0208\x82\xcc\x91\xe6" "1\x83\x6f\x83\x43\x83\x67\x82\xcc\x82\xdd\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7";
static_assert(MsgAloneJisX0208Pair.size() == 80);

// Alone JIS X 0212 pair in EOF ファイルの最後に補助漢字の2バイト目がありません
inline constexpr std::string_view MsgAloneJisX0212Pair =
    "Alone JIS X 0212 pair in EOF \x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x8d\xc5\x8c\xe3\x82\xc9\x95\xe2\x8f\x95\x8a\xbf\x8e\x9a\x82\xcc" "2\x83\x6f\x83\x43\x83\x67\x96\xda\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";
static_assert(MsgAloneJisX0212Pair.size() == 76);

// Alone SS2 in EOF ファイルの最後にSS2のみがあります
inline constexpr std::string_view MsgAloneSs2 =
    "Alone SS2 in EOF \x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x8d\xc5\x8c\xe3\x82\xc9SS2\x82\xcc\x82\xdd\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7";
static_assert(MsgAloneSs2.size() == 50);

// Alone SS3 in EOF ファイルの最後にSS3のみがあります
inline constexpr std::string_view MsgAloneSs3 =
    "Alone SS3 in EOF \x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x8d\xc5\x8c\xe3\x82\xc9SS3\x82\xcc\x82\xdd\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7";
static_assert(MsgAloneSs3.size() == 50);

// Invalid Character 適合しない文字です(JIS X 0201カナ)
inline constexpr std::string_view MsgInvalidKanaCharacter =
    "Invalid Character \x93\x4b\x8d\x87\x82\xb5\x82\xc8\x82\xa2\x95\xb6\x8e\x9a\x82\xc5\x82\xb7(JIS X 0201\x83\x4a\x83\x69)";
static_assert(MsgInvalidKanaCharacter.size() == 52);

// Invalid Character 適合しない文字です(JIS X 0221補助漢字)。
inline constexpr std::string_view MsgInvalidJisX0212Character =
    "Invalid Character \x93\x4b\x8d\x87\x82\xb5\x82\xc8\x82\xa2\x95\xb6\x8e\x9a\x82\xc5\x82\xb7(JIS X 0221\x95\xe2\x8f\x95\x8a\xbf\x8e\x9a)\x81\x42";
static_assert(MsgInvalidJisX0212Character.size() == 58);

// Alone Lead-Byte in EOF ファイルの最後に2バイト文字の第1バイトのみがあります
inline constexpr std::string_view MsgAloneLeadByteJis =
    "Alone Lead-Byte in EOF \x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x8d\xc5\x8c\xe3\x82\xc9" "2\x83\x6f\x83\x43\x83\x67\x95\xb6\x8e\x9a\x82\xcc\x91\xe6" "1\x83\x6f\x83\x43\x83\x67\x82\xcc\x82\xdd\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7";
static_assert(MsgAloneLeadByteJis.size() == 75);

// Incomplete ESC Seq. in EOF ファイルの最後に不完全なエスケープシーケンスがあります
inline constexpr std::string_view MsgIncompleteEscape =
    "Incomplete ESC Seq. in EOF \x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x8d\xc5\x8c\xe3\x82\xc9\x95\x73\x8a\xae\x91\x53\x82\xc8\x83\x47\x83\x58\x83\x50\x81\x5b\x83\x76\x83\x56\x81\x5b\x83\x50\x83\x93\x83\x58\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7";
static_assert(MsgIncompleteEscape.size() == 81);

// Line Break detected in non-ASCII mode ASCIIモード以外で改行文字を検出しました
inline constexpr std::string_view MsgLineBreakInNonAscii =
    "Line Break detected in non-ASCII mode ASCII\x83\x82\x81\x5b\x83\x68\x88\xc8\x8a\x4f\x82\xc5\x89\xfc\x8d\x73\x95\xb6\x8e\x9a\x82\xf0\x8c\x9f\x8f\x6f\x82\xb5\x82\xdc\x82\xb5\x82\xbd";
static_assert(MsgLineBreakInNonAscii.size() == 77);

// Warning: detected JIS X 0208-1978 Character. JIS X 0208-1978の文字が検出されました(古い規格です)。
inline constexpr std::string_view MsgJis1978Character =
    "Warning: detected JIS X 0208-1978 Character. JIS X 0208-1978\x82\xcc\x95\xb6\x8e\x9a\x82\xaa\x8c\x9f\x8f\x6f\x82\xb3\x82\xea\x82\xdc\x82\xb5\x82\xbd(\x8c\xc3\x82\xa2\x8b\x4b\x8a\x69\x82\xc5\x82\xb7)\x81\x42";
static_assert(MsgJis1978Character.size() == 98);

// Control Character in 2byte mode 2バイト文字モード中に制御コードを検出しました
inline constexpr std::string_view MsgControlInTwoByteMode =
    "Control Character in 2byte mode 2\x83\x6f\x83\x43\x83\x67\x95\xb6\x8e\x9a\x83\x82\x81\x5b\x83\x68\x92\x86\x82\xc9\x90\xa7\x8c\xe4\x83\x52\x81\x5b\x83\x68\x82\xf0\x8c\x9f\x8f\x6f\x82\xb5\x82\xdc\x82\xb5\x82\xbd";
static_assert(MsgControlInTwoByteMode.size() == 77);

// Invalid ESC Seq. 定義されないエスケープシーケンスです
inline constexpr std::string_view MsgInvalidEscape =
    "Invalid ESC Seq. \x92\xe8\x8b\x60\x82\xb3\x82\xea\x82\xc8\x82\xa2\x83\x47\x83\x58\x83\x50\x81\x5b\x83\x76\x83\x56\x81\x5b\x83\x50\x83\x93\x83\x58\x82\xc5\x82\xb7";
static_assert(MsgInvalidEscape.size() == 53);

// Warning: detected JIS X 0208-1978 ESC Seq. JIS X 0208-1978を選択するエスケープシーケンスを検出しました(古い規格です)。
inline constexpr std::string_view MsgJis1978Escape =
    "Warning: detected JIS X 0208-1978 ESC Seq. JIS X 0208-1978\x82\xf0\x91\x49\x91\xf0\x82\xb7\x82\xe9\x83\x47\x83\x58\x83\x50\x81\x5b\x83\x76\x83\x56\x81\x5b\x83\x50\x83\x93\x83\x58\x82\xf0\x8c\x9f\x8f\x6f\x82\xb5\x82\xdc\x82\xb5\x82\xbd(\x8c\xc3\x82\xa2\x8b\x4b\x8a\x69\x82\xc5\x82\xb7)\x81\x42";
static_assert(MsgJis1978Escape.size() == 118);

// Invalid code in 2nd byte or later UTF8の2バイト目以降に出現してはならないデータです
inline constexpr std::string_view MsgInvalidSecondByte =
    "Invalid code in 2nd byte or later UTF8\x82\xcc" "2\x83\x6f\x83\x43\x83\x67\x96\xda\x88\xc8\x8d\x7e\x82\xc9\x8f\x6f\x8c\xbb\x82\xb5\x82\xc4\x82\xcd\x82\xc8\x82\xe7\x82\xc8\x82\xa2\x83\x66\x81\x5b\x83\x5e\x82\xc5\x82\xb7";
static_assert(MsgInvalidSecondByte.size() == 83);

// Invalid code in 2nd byte or later. UTF8の2バイト目以降に出現してはならないデータです
inline constexpr std::string_view MsgInvalidContinuation =
    "Invalid code in 2nd byte or later. UTF8\x82\xcc" "2\x83\x6f\x83\x43\x83\x67\x96\xda\x88\xc8\x8d\x7e\x82\xc9\x8f\x6f\x8c\xbb\x82\xb5\x82\xc4\x82\xcd\x82\xc8\x82\xe7\x82\xc8\x82\xa2\x83\x66\x81\x5b\x83\x5e\x82\xc5\x82\xb7";
static_assert(MsgInvalidContinuation.size() == 84);

// Detected invalid sarrogate pair code. サロゲートペア用コードが直接出現しました
inline constexpr std::string_view MsgSurrogateInUtf8 =
    "Detected invalid sarrogate pair code. \x83\x54\x83\x8d\x83\x51\x81\x5b\x83\x67\x83\x79\x83\x41\x97\x70\x83\x52\x81\x5b\x83\x68\x82\xaa\x92\xbc\x90\xda\x8f\x6f\x8c\xbb\x82\xb5\x82\xdc\x82\xb5\x82\xbd";
static_assert(MsgSurrogateInUtf8.size() == 78);

// Invalid Seq. あり得ない不正なバイト列です
inline constexpr std::string_view MsgInvalidSequence =
    "Invalid Seq. \x82\xa0\x82\xe8\x93\xbe\x82\xc8\x82\xa2\x95\x73\x90\xb3\x82\xc8\x83\x6f\x83\x43\x83\x67\x97\xf1\x82\xc5\x82\xb7";
static_assert(MsgInvalidSequence.size() == 41);

// Incomplete Character in EOF ファイルの最後に完了していない文字があります
inline constexpr std::string_view MsgIncompleteCharacterUtf8 =
    "Incomplete Character in EOF \x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x8d\xc5\x8c\xe3\x82\xc9\x8a\xae\x97\xb9\x82\xb5\x82\xc4\x82\xa2\x82\xc8\x82\xa2\x95\xb6\x8e\x9a\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7";
static_assert(MsgIncompleteCharacterUtf8.size() == 72);

// Must not appear 0xfffe. 0xfffeは出現してはならないデータです。
inline constexpr std::string_view MsgFffeMustNotAppear =
    "Must not appear 0xfffe. 0xfffe\x82\xcd\x8f\x6f\x8c\xbb\x82\xb5\x82\xc4\x82\xcd\x82\xc8\x82\xe7\x82\xc8\x82\xa2\x83\x66\x81\x5b\x83\x5e\x82\xc5\x82\xb7\x81\x42";
static_assert(MsgFffeMustNotAppear.size() == 62);

// Detected Trailer Half of Sarrogate Pair. サロゲートペアの後半のみを検出しました。
inline constexpr std::string_view MsgLoneTrailSurrogate =
    "Detected Trailer Half of Sarrogate Pair. \x83\x54\x83\x8d\x83\x51\x81\x5b\x83\x67\x83\x79\x83\x41\x82\xcc\x8c\xe3\x94\xbc\x82\xcc\x82\xdd\x82\xf0\x8c\x9f\x8f\x6f\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42";
static_assert(MsgLoneTrailSurrogate.size() == 81);

// Invalid Trailer Half of Sarrogate Pair. サロゲートペアの後半が不適切です。
inline constexpr std::string_view MsgInvalidTrailSurrogate =
    "Invalid Trailer Half of Sarrogate Pair. \x83\x54\x83\x8d\x83\x51\x81\x5b\x83\x67\x83\x79\x83\x41\x82\xcc\x8c\xe3\x94\xbc\x82\xaa\x95\x73\x93\x4b\x90\xd8\x82\xc5\x82\xb7\x81\x42";
static_assert(MsgInvalidTrailSurrogate.size() == 74);

// Incomplete Character in EOF ファイルの最後の文字は完了していません
inline constexpr std::string_view MsgIncompleteCharacterUtf16 =
    "Incomplete Character in EOF \x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x8d\xc5\x8c\xe3\x82\xcc\x95\xb6\x8e\x9a\x82\xcd\x8a\xae\x97\xb9\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1";
static_assert(MsgIncompleteCharacterUtf16.size() == 66);

// Uncertain Endian エンディアンが不明です
inline constexpr std::string_view MsgUncertainEndian =
    "Uncertain Endian \x83\x47\x83\x93\x83\x66\x83\x42\x83\x41\x83\x93\x82\xaa\x95\x73\x96\xbe\x82\xc5\x82\xb7";
static_assert(MsgUncertainEndian.size() == 39);

// Every message, for checks that a line carries one of them.
inline constexpr std::string_view kMessages[] = {
    MsgInvalidCharacter,
    MsgAloneLeadByteSjis,
    MsgAloneJisX0208Pair,
    MsgAloneJisX0212Pair,
    MsgAloneSs2,
    MsgAloneSs3,
    MsgInvalidKanaCharacter,
    MsgInvalidJisX0212Character,
    MsgAloneLeadByteJis,
    MsgIncompleteEscape,
    MsgLineBreakInNonAscii,
    MsgJis1978Character,
    MsgControlInTwoByteMode,
    MsgInvalidEscape,
    MsgJis1978Escape,
    MsgInvalidSecondByte,
    MsgInvalidContinuation,
    MsgSurrogateInUtf8,
    MsgInvalidSequence,
    MsgIncompleteCharacterUtf8,
    MsgFffeMustNotAppear,
    MsgLoneTrailSurrogate,
    MsgInvalidTrailSurrogate,
    MsgIncompleteCharacterUtf16,
    MsgUncertainEndian,
};
static_assert(sizeof kMessages / sizeof kMessages[0] == 25);

// clang-format on

}  // namespace codvet

#endif  // SRC_REPORT_MESSAGES_H_
