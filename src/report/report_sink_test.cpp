#include "report/report_sink.h"

#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "report/messages.h"

#if __has_include(<iconv.h>)
#include <iconv.h>
#endif

namespace codvet {
namespace {

std::string Capture(void (*write)(ReportSink&), std::size_t capacity = 4096) {
  std::string lines;
  {
    ReportSink sink(&lines, capacity);
    write(sink);
  }
  return lines;
}

TEST(ReportLine, BothFormsByteForByte) {
  EXPECT_EQ(Capture([](ReportSink& s) { ReportLine(s, "(STDIN)", 5, MsgInvalidCharacter, 0x80); }),
            "\"(STDIN)\" (5): " + std::string(MsgInvalidCharacter) + " (0x80)\n");
  EXPECT_EQ(Capture([](ReportSink& s) { ReportLineNoValue(s, "a.txt", 0, MsgInvalidSequence); }),
            "\"a.txt\" (0): " + std::string(MsgInvalidSequence) + "\n");
}

// Every digit count of both numbers, and names and messages of every short
// length, against the C library's formatting.
TEST(ReportLine, EveryNumberWidthAndFieldLength) {
  std::vector<std::int64_t> offsets = {0, -1, INT64_MIN, INT64_MAX};
  for (std::int64_t power = 1; power <= INT64_MAX / 10; power *= 10) {
    for (std::int64_t near : {power - 1, power, power + 1, 2 * power - 1}) {
      offsets.push_back(near);
      offsets.push_back(-near);
    }
  }
  std::vector<std::uint32_t> values = {0, UINT32_MAX};
  for (int shift = 0; shift < 32; ++shift) {
    values.push_back(1u << shift);
    values.push_back((1u << shift) - 1);
  }
  std::string expected;
  std::string lines;
  {
    ReportSink sink(&lines, 300);
    std::string text = "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOP";
    for (std::size_t i = 0; i < offsets.size() * values.size(); ++i) {
      std::int64_t offset = offsets[i % offsets.size()];
      std::uint32_t value = values[i / offsets.size()];
      std::string name = text.substr(0, i % 40);
      std::string message = text.substr(i % 7, (i * 3) % 45);
      char line[256];
      if (i % 5 == 0) {
        ReportLineNoValue(sink, name, offset, message);
        std::snprintf(line, sizeof line, "\"%s\" (%" PRId64 "): %s\n", name.c_str(), offset,
                      message.c_str());
      } else {
        ReportLine(sink, name, offset, message, value);
        std::snprintf(line, sizeof line, "\"%s\" (%" PRId64 "): %s (0x%" PRIx32 ")\n", name.c_str(),
                      offset, message.c_str(), value);
      }
      expected += line;
    }
  }
  EXPECT_EQ(lines, expected);
}

TEST(ReportLine, NumbersInFull) {
  EXPECT_EQ(Capture([](ReportSink& s) { ReportLine(s, "n", 0, "m", 0); }), "\"n\" (0): m (0x0)\n");
  EXPECT_EQ(Capture([](ReportSink& s) { ReportLine(s, "n", 4294967297LL, "m", 0xFFFFFFFF); }),
            "\"n\" (4294967297): m (0xffffffff)\n");
  EXPECT_EQ(Capture([](ReportSink& s) { ReportLine(s, "n", 2147483648LL, "m", 0x8fa2ae); }),
            "\"n\" (2147483648): m (0x8fa2ae)\n");
  EXPECT_EQ(Capture([](ReportSink& s) { ReportLine(s, "n", INT64_MAX, "m", 0x10); }),
            "\"n\" (9223372036854775807): m (0x10)\n");
  EXPECT_EQ(Capture([](ReportSink& s) { ReportLine(s, "n", INT64_MIN, "m", 0x7f); }),
            "\"n\" (-9223372036854775808): m (0x7f)\n");
}

TEST(ReportLine, DisplayNameUnaltered) {
  EXPECT_EQ(Capture([](ReportSink& s) { ReportLine(s, "a \"b\"\n\x82\xa0\xff", 1, "m", 1); }),
            "\"a \"b\"\n\x82\xa0\xff\" (1): m (0x1)\n");
}

TEST(ReportLine, NameLongerThanTheBuffer) {
  std::string name(10000, 'x');
  std::string lines;
  {
    ReportSink sink(&lines, 64);
    ReportLine(sink, "short", 1, MsgInvalidCharacter, 2);
    ReportLine(sink, name, 7, MsgInvalidCharacter, 0xabc);
    ReportLineNoValue(sink, name, 8, MsgInvalidSequence);
    ReportLine(sink, "short", 3, MsgInvalidCharacter, 4);
  }
  EXPECT_EQ(lines, "\"short\" (1): " + std::string(MsgInvalidCharacter) + " (0x2)\n" + "\"" + name +
                       "\" (7): " + std::string(MsgInvalidCharacter) + " (0xabc)\n" + "\"" + name +
                       "\" (8): " + std::string(MsgInvalidSequence) + "\n" +
                       "\"short\" (3): " + std::string(MsgInvalidCharacter) + " (0x4)\n");
}

TEST(ReportLine, ManyLinesThroughASmallBuffer) {
  std::string lines;
  std::string expected;
  {
    ReportSink sink(&lines, 100);
    for (int i = 0; i < 1000; ++i) {
      ReportLine(sink, "f", i, "x", static_cast<std::uint32_t>(i));
      char hex[16];
      std::snprintf(hex, sizeof hex, "%x", i);
      expected += "\"f\" (" + std::to_string(i) + "): x (0x" + hex + ")\n";
    }
  }
  EXPECT_EQ(lines, expected);
}

#if __has_include(<iconv.h>)
// The escaped bytes of every message are the code page 932 form of its
// readable text.
TEST(Messages, JapaneseHalvesAreShiftJisOfTheReadableText) {
  struct Message {
    std::string_view bytes;
    const char* utf8;
  } messages[] = {
      {MsgInvalidCharacter, "Invalid Character 適合しない文字です。"},
      {MsgAloneLeadByteSjis,
       "Alone Lead-Byte in EOF ファイルの最後に全角文字の第1バイトのみがあります"},
      {MsgAloneJisX0208Pair,
       "Alone JIS X 0208 pair in EOF ファイルの最後にJIS X 0208の第1バイトのみがあります"},
      {MsgAloneJisX0212Pair,
       "Alone JIS X 0212 pair in EOF ファイルの最後に補助漢字の2バイト目がありません"},
      {MsgAloneSs2, "Alone SS2 in EOF ファイルの最後にSS2のみがあります"},
      {MsgAloneSs3, "Alone SS3 in EOF ファイルの最後にSS3のみがあります"},
      {MsgInvalidKanaCharacter, "Invalid Character 適合しない文字です(JIS X 0201カナ)"},
      {MsgInvalidJisX0212Character, "Invalid Character 適合しない文字です(JIS X 0221補助漢字)。"},
      {MsgAloneLeadByteJis,
       "Alone Lead-Byte in EOF ファイルの最後に2バイト文字の第1バイトのみがあります"},
      {MsgIncompleteEscape,
       "Incomplete ESC Seq. in EOF ファイルの最後に不完全なエスケープシーケンスがあります"},
      {MsgLineBreakInNonAscii,
       "Line Break detected in non-ASCII mode ASCIIモード以外で改行文字を検出しました"},
      {MsgJis1978Character,
       "Warning: detected JIS X 0208-1978 Character. JIS X 0208-1978の文字が検出されました(古い規格です)。"},
      {MsgControlInTwoByteMode,
       "Control Character in 2byte mode 2バイト文字モード中に制御コードを検出しました"},
      {MsgInvalidEscape, "Invalid ESC Seq. 定義されないエスケープシーケンスです"},
      {MsgJis1978Escape,
       "Warning: detected JIS X 0208-1978 ESC Seq. "
       "JIS X 0208-1978を選択するエスケープシーケンスを検出しました(古い規格です)。"},
      {MsgInvalidSecondByte,
       "Invalid code in 2nd byte or later UTF8の2バイト目以降に出現してはならないデータです"},
      {MsgInvalidContinuation,
       "Invalid code in 2nd byte or later. UTF8の2バイト目以降に出現してはならないデータです"},
      {MsgSurrogateInUtf8,
       "Detected invalid sarrogate pair code. サロゲートペア用コードが直接出現しました"},
      {MsgInvalidSequence, "Invalid Seq. あり得ない不正なバイト列です"},
      {MsgIncompleteCharacterUtf8,
       "Incomplete Character in EOF ファイルの最後に完了していない文字があります"},
      {MsgFffeMustNotAppear, "Must not appear 0xfffe. 0xfffeは出現してはならないデータです。"},
      {MsgLoneTrailSurrogate,
       "Detected Trailer Half of Sarrogate Pair. サロゲートペアの後半のみを検出しました。"},
      {MsgInvalidTrailSurrogate,
       "Invalid Trailer Half of Sarrogate Pair. サロゲートペアの後半が不適切です。"},
      {MsgIncompleteCharacterUtf16,
       "Incomplete Character in EOF ファイルの最後の文字は完了していません"},
      {MsgUncertainEndian, "Uncertain Endian エンディアンが不明です"},
  };
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "no CP932 converter";
  for (const Message& m : messages) {
    std::string in = m.utf8;
    std::string out(256, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    size_t inLeft = in.size(), outLeft = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft), static_cast<size_t>(-1)) << m.utf8;
    out.resize(out.size() - outLeft);
    EXPECT_EQ(out, m.bytes) << m.utf8;
  }
  iconv_close(cd);
}
#endif

}  // namespace
}  // namespace codvet
