// Real Japanese text in every encoding is valid.
#include <optional>
#include <string>

#include "gtest/gtest.h"
#include "validator_test_util.h"

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

// Converted by the system's converter, the text is valid in every encoding,
// on the fast path and the plain one, in pieces of any size.
TEST(RealText, ConvertedTextIsValidInEveryEncoding) {
  if (!Convert("UTF-8", "UTF-16", "")) GTEST_SKIP() << "no system converter";
  std::string text;
  while (text.size() < 16 * 1024) text += kProse;
  for (const TestEncoding& e : kTestEncodings) {
    std::optional<std::string> bytes = Convert("UTF-8", e.converter, text);
    if (!bytes) {
      ADD_FAILURE() << "no converter to " << e.converter;
      continue;
    }
    ExpectLines(e.name, *bytes, "");
  }
}

}  // namespace
}  // namespace codvet
