// codvet-lint's escaping and globs in memory, for the byte patterns that a
// handful of file names in the end-to-end tests cannot all reach.
#include "lint/lint_format.h"

#include "gtest/gtest.h"

namespace codvet {
namespace lint {
namespace {

TEST(LintFormat, JsonKeepsUtf8AndEscapesEveryOtherByte) {
  const struct {
    const char* name;
    const char* json;
  } kCases[] = {
      // The first and last of each length: U+0080, U+07FF, U+0800, U+1000,
      // U+FFFF, U+10000, U+40000, U+10FFFF.
      {"\xc2\x80\xdf\xbf\xe0\xa0\x80\xe1\x80\x80\xef\xbf\xbf",
       "\"\xc2\x80\xdf\xbf\xe0\xa0\x80\xe1\x80\x80\xef\xbf\xbf\""},
      {"\xf0\x90\x80\x80\xf1\x80\x80\x80\xf4\x8f\xbf\xbf",
       "\"\xf0\x90\x80\x80\xf1\x80\x80\x80\xf4\x8f\xbf\xbf\""},
      // Overlong forms, a surrogate, beyond U+10FFFF, cut, a lone follower.
      {"\xc1\xbf", "\"\\udcc1\\udcbf\""},
      {"\xe0\x9f\xbf", "\"\\udce0\\udc9f\\udcbf\""},
      {"\xed\xa0\x80", "\"\\udced\\udca0\\udc80\""},
      {"\xf0\x8f\xbf\xbf", "\"\\udcf0\\udc8f\\udcbf\\udcbf\""},
      {"\xf5\x80\x80\x80", "\"\\udcf5\\udc80\\udc80\\udc80\""},
      {"\xe2\x82", "\"\\udce2\\udc82\""},
      {"\x80z", "\"\\udc80z\""},
  };
  for (const auto& c : kCases) {
    std::string out;
    AppendJsonString(&out, c.name);
    EXPECT_EQ(out, c.json) << c.json;
  }
  std::string out;  // cut by the end of the text, whatever byte follows there
  AppendJsonString(&out, std::string_view("\xe2\x82\x82", 2));
  EXPECT_EQ(out, "\"\\udce2\\udc82\"");
}

TEST(LintFormat, Globs) {
  const struct {
    const char* glob;
    const char* path;
    bool match;
  } kCases[] = {
      {"d/a?c", "d/abc", true},
      {"d/a?c", "d/a/c", false},  // "?" stops at "/"
      {"[a-c]x", "d/ax", true},
      {"[a-c]x", "cx", true},  // ranges include both ends
      {"[a-c]x", "dx", false},
      {"[!a-c]x", "dx", true},
      {"[^a-c]x", "bx", false},
      {"[]]", "]", true},
      {"[x", "[x", true},  // "]" first; no set at all
      {"d/*.txt", "d/e/f.txt", false},
      {"d/**.txt", "d/e/f.txt", true},
      {"**/f.txt", "f.txt", true},
      {"*.txt", "d/e/f.txt", true},  // the last component
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(MatchGlob(c.glob, c.path), c.match) << c.glob << " " << c.path;
  }
}

}  // namespace
}  // namespace lint
}  // namespace codvet
