// Real Japanese text, converted by the system's converter into each
// encoding, is valid to the built program: nothing printed, status 0.
#include <string>

#include "gtest/gtest.h"
#include "run_process.h"

#if __has_include(<iconv.h>)
#include <iconv.h>

namespace codvet {
namespace {

// A few paragraphs of ordinary prose: kanji, hiragana, katakana, full-width
// punctuation and digits, and ASCII words, as in real documents.
const char kProse[] =
    "文字コードの検査について\n"
    "日本語の文章は、長いあいだ複数の文字コードで保存されてきました。"
    "Shift_JIS、EUC-JP、ISO-2022-JP、そして UTF-8 や UTF-16 です。"
    "古いファイルを新しいシステムへ移すとき、まず確かめたいのは、"
    "そのファイルが本当に宣言どおりの符号化で書かれているかどうかです。\n"
    "変換ツールは最初の誤りで止まることが多く、どこに問題があるのか、"
    "いくつあるのかは分かりません。検査ツールは一つ一つの問題について、"
    "バイト位置と内容を報告します。たとえば第３段落の１２３４バイト目に"
    "不正な文字がある、というように。\n"
    "漢字の例：亜唖娃阿哀愛挨姶逢葵茜穐悪握渥旭葦芦鯵梓圧斡扱宛姐虻飴絢綾鮎或粟袷安庵按暗案闇鞍杏。\n"
    "記号の例：、。・：；？！゛゜´｀¨＾￣＿ヽヾゝゞ〃仝々〆〇ー―‐／＼｜…‥‘’“”（）〔〕［］｛｝〈〉《》「」『』【】＋±×÷＝≠＜＞≦≧∞∴♂♀°′″℃￥＄％＃＆＊＠§☆★○●◎◇◆□■△▲▽▼※〒→←↑↓〓。\n"
    "ギリシア文字：ΑΒΓΔ αβγδ、キリル文字：АБВГ абвг、罫線：─│┌┐┘└├┬┤┴┼。\n"
    "カタカナの例：アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲン、ヴァヴィ。\n"
    "The quick brown fox jumps over the lazy dog. 0123456789 !\"#$%&'()*+,-./:;<=>?@[]^_`{|}~\n";

std::string Convert(const std::string& utf8, const char* to) {
  iconv_t cd = iconv_open(to, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string in = utf8;
  std::string out(in.size() * 4 + 16, '\0');
  char* inPtr = in.data();
  char* outPtr = out.data();
  size_t inLeft = in.size(), outLeft = out.size();
  size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  if (done != static_cast<size_t>(-1)) done = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1)) return {};
  out.resize(out.size() - outLeft);
  return out;
}

TEST(RealText, ConvertedTextIsValidInEveryEncoding) {
  std::string text;
  while (text.size() < 16 * 1024) text += kProse;
  struct Target {
    const char* encoding;
    const char* converter;
  } targets[] = {
      {"shift_jis", "SHIFT_JIS"},     {"windows-31j", "CP932"}, {"euc-jp", "EUC-JP"},
      {"iso-2022-jp", "ISO-2022-JP"}, {"utf8", "UTF-8"},        {"utf16", "UTF-16"},
      {"utf16be", "UTF-16BE"},        {"utf16le", "UTF-16LE"},
  };
  TempDir dir;
  for (const Target& t : targets) {
    std::string bytes = Convert(text, t.converter);
    ASSERT_FALSE(bytes.empty()) << t.converter;
    std::string path = dir.Write(std::string(t.encoding) + ".txt", bytes);
    ProcessOptions options;
    options.args = {t.encoding, path};
    ProcessResult r = RunProcess(CODVET_BINARY, options);
    EXPECT_EQ(r.out, "") << t.encoding;
    EXPECT_EQ(r.status, 0) << t.encoding;
    // The same bytes through a pipe.
    options.args = {t.encoding};
    options.stdinMode = StdinMode::Pipe;
    options.stdinData = bytes;
    r = RunProcess(CODVET_BINARY, options);
    EXPECT_EQ(r.out, "") << t.encoding;
    EXPECT_EQ(r.status, 0) << t.encoding;
  }
}

}  // namespace
}  // namespace codvet

#endif
