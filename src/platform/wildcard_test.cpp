#include "platform/wildcard.h"

#include <map>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace codvet {
namespace {

// The lead bytes of code page 932 (Shift_JIS).
LeadBytes Cp932() {
  LeadBytes lead;
  for (int b = 0x81; b <= 0x9F; ++b) lead.Add(static_cast<unsigned char>(b));
  for (int b = 0xE0; b <= 0xFC; ++b) lead.Add(static_cast<unsigned char>(b));
  return lead;
}

const LeadBytes kSingleByte;
const LeadBytes kCp932 = Cp932();

// An argument as the tests write it: its text, with a leading "^" when it
// began with a double quote.
std::vector<std::string> Split(std::string_view line, const LeadBytes& lead, DoubledQuote rule) {
  std::vector<std::string> shown;
  for (const RawArgument& arg : SplitCommandLine(line, lead, rule)) {
    shown.push_back((arg.quoted ? "^" : "") + arg.text);
  }
  return shown;
}

TEST(SplitCommandLine, FollowsTheRuntimeRules) {
  const DoubledQuote kEnds = DoubledQuote::EndsQuoting, kKeeps = DoubledQuote::KeepsQuoting;
  struct Case {
    const char* line;
    std::vector<DoubledQuote> rules;
    const LeadBytes& lead;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"codvet.exe", {kEnds, kKeeps}, kSingleByte, {"codvet.exe"}},
      {"", {kEnds, kKeeps}, kSingleByte, {""}},
      {"codvet.exe  utf8\t\"*.txt\"  ",
       {kEnds, kKeeps},
       kSingleByte,
       {"codvet.exe", "utf8", "^*.txt"}},
      {"\"C:\\Program Files\\codvet.exe\" utf8 a*",
       {kEnds, kKeeps},
       kSingleByte,
       {"^C:\\Program Files\\codvet.exe", "utf8", "a*"}},
      // Backslashes in the program name escape nothing.
      {"\"C:\\dir\\\" utf8 a*", {kEnds, kKeeps}, kSingleByte, {"^C:\\dir\\", "utf8", "a*"}},
      {"\"a b\"c x", {kEnds, kKeeps}, kSingleByte, {"^a bc", "x"}},
      {"p \"\" x", {kEnds, kKeeps}, kSingleByte, {"p", "^", "x"}},
      {"p a\"*.txt\"", {kEnds, kKeeps}, kSingleByte, {"p", "a*.txt"}},
      // A quote escaped by a backslash neither opens quoting nor makes the
      // argument quoted.
      {"p \\\"*.txt", {kEnds, kKeeps}, kSingleByte, {"p", "\"*.txt"}},
      {"p \\\\\"a b\" c", {kEnds, kKeeps}, kSingleByte, {"p", "\\a b", "c"}},
      {"p \\\\\\\"a b\" c", {kEnds, kKeeps}, kSingleByte, {"p", "\\\"a", "b c"}},
      {"p \"a\\\" b\" c", {kEnds, kKeeps}, kSingleByte, {"p", "^a\" b", "c"}},
      // Backslashes not before a quote are plain characters.
      {"p a\\\\b\\ c\\", {kEnds, kKeeps}, kSingleByte, {"p", "a\\\\b\\", "c\\"}},
      {"p \"unterminated *", {kEnds, kKeeps}, kSingleByte, {"p", "^unterminated *"}},
      {"p \"a\"\"b c\" *", {kEnds}, kSingleByte, {"p", "^a\"b", "c *"}},
      {"p \"a\"\"b c\" *", {kKeeps}, kSingleByte, {"p", "^a\"b c", "*"}},
      // 0x95 0x5C is one character in code page 932; in a single-byte code
      // page the 0x5C is a backslash that escapes the quote after it.
      {"p \x95\\\" a b\" \"*\"", {kEnds}, kCp932, {"p", "\x95\\ a b", "^*"}},
      {"p \x95\\\" a b\" \"*\"", {kEnds}, kSingleByte, {"p", "\x95\"", "a", "b *"}},
  };
  for (const Case& c : cases) {
    for (DoubledQuote rule : c.rules) EXPECT_EQ(Split(c.line, c.lead, rule), c.args) << c.line;
  }
}

// Where the first wildcard is, searched character by character, and how
// long the directory prefix before it is (npos: the argument is kept whole).
TEST(FindWildcard, AndTheDirectoryPrefixBeforeIt) {
  const std::size_t kNone = std::string_view::npos;
  struct Case {
    const char* arg;
    const LeadBytes& lead;
    std::size_t at, prefix;
  } cases[] = {
      {"a.txt", kSingleByte, kNone, 0},
      {"", kSingleByte, kNone, 0},
      {"*.txt", kSingleByte, 0, 0},
      {"a?b*", kSingleByte, 1, 0},
      {"dir\\sub/x*", kSingleByte, 9, 8},
      {"a/b\\c/d*.txt", kSingleByte, 7, 6},
      {"sub\\a*\\b.txt", kSingleByte, 5, 4},
      {"C:*.txt", kSingleByte, 2, 2},
      {"C:\\dir\\*.txt", kSingleByte, 7, 7},
      // A colon that does not end a drive letter keeps the argument whole,
      // but only the nearest separator decides.
      {"ab:*.txt", kSingleByte, 3, kNone},
      {":*.txt", kSingleByte, 1, kNone},
      {"C:\\x:*.txt", kSingleByte, 5, kNone},
      {"ab:c\\*.txt", kSingleByte, 5, 5},
      // 0x81 0x3F is a lead byte and its trail, 0x95 0x5C one character and
      // no directory separator; a lead byte at the very end stands alone.
      {"\x81?", kCp932, kNone, 0},
      {"\x81?", kSingleByte, 1, 0},
      {"\x81?*", kCp932, 2, 0},
      {"a*\x81", kCp932, 1, 0},
      {"\x95\\*.txt", kCp932, 2, 0},
      {"\x95\\*.txt", kSingleByte, 2, 2},
      {"d\\\x95\\*.txt", kCp932, 4, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindWildcard(c.arg, c.lead), c.at) << c.arg;
    if (c.at == kNone) continue;
    EXPECT_EQ(DirectoryPrefixLength(c.arg, c.at, c.lead), c.prefix) << c.arg;
  }
}

TEST(CompareNames, IgnoresCaseAndKeepsDoubleByteCharactersWhole) {
  struct Case {
    std::string_view a, b;
    const LeadBytes& lead;
    int sign;
  };
  const Case cases[] = {
      {"A.txt", "b.txt", kSingleByte, -1},
      {"a.txt", "A.TXT", kSingleByte, 0},
      {"B", "a", kSingleByte, 1},
      {"ab", "AB.", kSingleByte, -1},
      // The bytes after a name are not part of it.
      {std::string_view("ab~", 2), "AB.", kSingleByte, -1},
      {std::string_view("\x81x", 1), std::string_view("\x81y", 1), kCp932, 0},
      {"", "", kSingleByte, 0},
      // Letters fold to lower case, so "_" comes before them.
      {"_", "A", kSingleByte, -1},
      {"Z", "[", kSingleByte, 1},
      // 0x83 0x41 and 0x83 0x61 are different katakana: the trail bytes are
      // not letters.
      {"\x83\x41", "\x83\x61", kCp932, -1},
      {"\x83\x41", "\x83\x61", kSingleByte, 0},
      // A half-width katakana byte is a single unit below every double-byte
      // character, although its byte is the larger.
      {"\xB1", "\x82\xA0", kCp932, -1},
      {"\xB1", "\x82\xA0", kSingleByte, 1},
  };
  for (const Case& c : cases) {
    int result = CompareNames(c.a, c.b, c.lead);
    EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " " << c.b;
    int reverse = CompareNames(c.b, c.a, c.lead);
    EXPECT_EQ((reverse > 0) - (reverse < 0), -c.sign) << c.b << " " << c.a;
  }
}

// Each row: what the directory search gives for each pattern, the command
// line and the argument vector the runtime made of it, the expansion, and
// the patterns that were searched for.
TEST(ExpandWildcards, ReplacesPatternsByTheirSortedMatches) {
  using Names = std::vector<std::string>;
  struct Case {
    std::map<std::string, Names> listings;
    const char* line;
    Names args, expanded, searched;
    const LeadBytes& lead = kSingleByte;
  } cases[] = {
      {{{"*.txt", {"b.txt", "A.txt", "c.TXT"}}, {"x?", {"xb", "Xa"}}},
       "codvet utf8 *.txt plain x?",
       {"codvet", "utf8", "*.txt", "plain", "x?"},
       {"codvet", "utf8", "A.txt", "b.txt", "c.TXT", "plain", "Xa", "xb"},
       {"*.txt", "x?"}},
      // The directory part is kept.
      {{{"sub\\*.txt", {"b.txt", "a.txt"}}, {"C:*", {"x"}}, {"d/e\\f*", {"f1"}}},
       "p sub\\*.txt C:* d/e\\f*",
       {"p", "sub\\*.txt", "C:*", "d/e\\f*"},
       {"p", "sub\\a.txt", "sub\\b.txt", "C:x", "d/e\\f1"},
       {"sub\\*.txt", "C:*", "d/e\\f*"}},
      {{{"*", {".", "..", ".hidden", "a"}}, {".*", {".", ".."}}},
       "p * .*",
       {"p", "*", ".*"},
       {"p", ".hidden", "a", ".*"},
       {"*", ".*"}},
      // Unmatched, quoted and colon patterns stay as they are; only the
      // first is searched for.
      {{{"*.txt", {"a.txt"}}, {"ab:*.txt", {"never"}}},
       "p nomatch*.txt \"*.txt\" ab:*.txt",
       {"p", "nomatch*.txt", "*.txt", "ab:*.txt"},
       {"p", "nomatch*.txt", "*.txt", "ab:*.txt"},
       {"nomatch*.txt"}},
      // A quote after the start does not protect.
      {{{"a*.txt", {"ab.txt"}}}, "p a\"*.txt\"", {"p", "a*.txt"}, {"p", "ab.txt"}, {"a*.txt"}},
      {{{"utf*", {"utf8"}}}, "p utf* x", {"p", "utf*", "x"}, {"p", "utf8", "x"}, {"utf*"}},
      // 0x95 0x5C ends in a byte that looks like a backslash; 0x83 0x41 and
      // 0x83 0x61 differ only in a trail byte that looks like a letter.
      {{{"\x95\\*", {"\x95\\\x83\x61", "\x95\\\x83\x41"}}},
       "p \x95\\*",
       {"p", "\x95\\*"},
       {"p", "\x95\\\x83\x41", "\x95\\\x83\x61"},
       {"\x95\\*"},
       kCp932},
      // The older rule for doubled quotes reads one quoted argument here, the
      // newer one a quoted argument and a pattern: the vector tells which.
      {{{"*", {"a"}}}, "p \"x\"\"y\" *", {"p", "x\"y *"}, {"p", "x\"y *"}, {}},
      {{{"*", {"a"}}}, "p \"x\"\"y\" *", {"p", "x\"y", "*"}, {"p", "x\"y", "a"}, {"*"}},
      // Nothing is expanded when no splitting gives the arguments.
      {{{"*", {"a"}}}, "p * extra", {"p", "*"}, {"p", "*"}, {}},
      {{{"*", {"a"}}}, "p x", {"p", "*"}, {"p", "*"}, {}},
  };
  for (const Case& c : cases) {
    Names searched;
    Names got = ExpandWildcards(c.args, c.line, c.lead, [&](const std::string& pattern) {
      searched.push_back(pattern);
      auto found = c.listings.find(pattern);
      return found == c.listings.end() ? Names() : found->second;
    });
    EXPECT_EQ(got, c.expanded) << c.line;
    EXPECT_EQ(searched, c.searched) << c.line;
  }
}

}  // namespace
}  // namespace codvet
