#include "platform/wildcard.h"

#include <map>

#include "gtest/gtest.h"

namespace codvet {
namespace {

const LeadBytes kSingleByte;
const LeadBytes kCp932 = [] {  // the lead bytes of code page 932
  LeadBytes lead;
  for (int b = 0x81; b <= 0xFC; ++b) {
    if (b <= 0x9F || b >= 0xE0) lead.Add(static_cast<unsigned char>(b));
  }
  return lead;
}();

// Both rules for doubled quotes read these lines alike; where they differ,
// the ExpandWildcards table below tells them apart. An argument that began
// with a double quote is shown with a leading "^".
TEST(SplitCommandLine, FollowsTheRuntimeRules) {
  struct Case {
    const char* line;
    std::vector<std::string> args;
    const LeadBytes& lead = kSingleByte;
  } cases[] = {
      {"", {""}},
      {"codvet.exe  utf8\t\"*.txt\"  ", {"codvet.exe", "utf8", "^*.txt"}},
      // In the program name quotes only group, even two in a row, and
      // backslashes escape nothing.
      {"\"C:\\Program\"\" Files\"\\codvet.exe utf8", {"^C:\\Program Files\\codvet.exe", "utf8"}},
      {"\"C:\\dir\\\" utf8 a*", {"^C:\\dir\\", "utf8", "a*"}},
      // A doubled quote is a quote, also at the very end.
      {"p \"\" x \"a\"\"", {"p", "^", "x", "^a\""}},
      // Backslashes before a quote stand for half as many; an odd one out
      // makes the quote a plain character. Elsewhere they are plain.
      {"p \\\\\"a b\" c", {"p", "\\a b", "c"}},
      {"p \\\\\\\"a b\" c", {"p", "\\\"a", "b c"}},
      {"p a\\\\b\\ c\\", {"p", "a\\\\b\\", "c\\"}},
      // 0x95 0x5C is one character in code page 932, not a backslash.
      {"p \x95\\\" a b\" \"*\"", {"p", "\x95\\ a b", "^*"}, kCp932},
  };
  for (const Case& c : cases) {
    for (DoubledQuote rule : {DoubledQuote::EndsQuoting, DoubledQuote::KeepsQuoting}) {
      std::vector<std::string> shown;
      for (const RawArgument& arg : SplitCommandLine(c.line, c.lead, rule)) {
        shown.push_back((arg.quoted ? "^" : "") + arg.text);
      }
      EXPECT_EQ(shown, c.args) << c.line;
    }
  }
}

// Where the first wildcard is, searched character by character, and how
// long the directory prefix before it is (npos: the argument is kept whole).
TEST(FindWildcard, AndTheDirectoryPrefixBeforeIt) {
  const std::size_t kNone = std::string_view::npos;
  struct Case {
    const char* arg;
    std::size_t at, prefix;
    const LeadBytes& lead = kSingleByte;
  } cases[] = {
      {"a.txt", kNone, 0},
      {"a?b*", 1, 0},
      {"dir\\sub/x*", 9, 8},
      {"sub\\a*\\b.txt", 5, 4},
      {"C:*.txt", 2, 2},
      // A colon that does not end a drive letter keeps the argument whole,
      // but only the nearest separator decides.
      {"ab:*.txt", 3, kNone},
      {"ab:c\\*.txt", 5, 5},
      // 0x81 0x3F is a lead byte and its trail, 0x95 0x5C one character and
      // no directory separator.
      {"\x81?*", 2, 0, kCp932},
      {"d\\\x95\\*.txt", 4, 2, kCp932},
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
    int sign;
    const LeadBytes& lead = kSingleByte;
  } cases[] = {
      {"a.txt", "A.TXT", 0},
      // The bytes after a name are not part of it.
      {std::string_view("ab~", 2), "AB.", -1},
      // Letters fold to lower case, so "_" and "[" come before them.
      {"_", "A", -1},
      {"Z", "[", 1},
      // 0x83 0x41 and 0x83 0x61 are different katakana: the trail bytes are
      // not letters.
      {"\x83\x41", "\x83\x61", -1, kCp932},
      // A half-width katakana byte is a single unit below every double-byte
      // character, although its byte is the larger.
      {"\xB1", "\x82\xA0", -1, kCp932},
  };
  for (const Case& c : cases) {
    int result = CompareNames(c.a, c.b, c.lead);
    EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " " << c.b;
    int reverse = CompareNames(c.b, c.a, c.lead);
    EXPECT_EQ((reverse > 0) - (reverse < 0), -c.sign) << c.b << " " << c.a;
  }
}

// Each row: what the directory search gives for each pattern, the command
// line and the argument vector the runtime made of it, and the expansion.
TEST(ExpandWildcards, ReplacesPatternsByTheirSortedMatches) {
  using Names = std::vector<std::string>;
  struct Case {
    std::map<std::string, Names> listings;
    const char* line;
    Names args, expanded;
  } cases[] = {
      // Patterns keep their places and their directories; "." and ".." are
      // never matches.
      {{{"*.txt", {"b.txt", "A.txt", "c.TXT"}},
        {".*", {".", ".."}},
        {"sub\\*", {".", "..", "xb", "Xa"}}},
       "codvet utf8 *.txt .* sub\\*",
       {"codvet", "utf8", "*.txt", ".*", "sub\\*"},
       {"codvet", "utf8", "A.txt", "b.txt", "c.TXT", ".*", "sub\\Xa", "sub\\xb"}},
      // Unmatched, quoted and colon patterns stay as they are; a quote after
      // the start does not protect.
      {{{"*.txt", {"a.txt"}}, {"ab:*.txt", {"x"}}, {"a*.txt", {"ab.txt"}}},
       "p nomatch*.txt \"*.txt\" ab:*.txt a\"*.txt\"",
       {"p", "nomatch*.txt", "*.txt", "ab:*.txt", "a*.txt"},
       {"p", "nomatch*.txt", "*.txt", "ab:*.txt", "ab.txt"}},
      // The older rule for doubled quotes reads one quoted argument here, the
      // newer one a quoted argument and a pattern: the vector tells which.
      {{{"*", {"a"}}}, "p \"x\"\"y\" *", {"p", "x\"y *"}, {"p", "x\"y *"}},
      {{{"*", {"a"}}}, "p \"x\"\"y\" *", {"p", "x\"y", "*"}, {"p", "x\"y", "a"}},
      // Nothing is expanded when no splitting gives the arguments.
      {{{"*", {"a"}}}, "p * extra", {"p", "*"}, {"p", "*"}},
      {{{"*", {"a"}}}, "p x", {"p", "*"}, {"p", "*"}},
  };
  for (const Case& c : cases) {
    Names got = ExpandWildcards(c.args, c.line, kSingleByte, [&](const std::string& pattern) {
      auto found = c.listings.find(pattern);
      return found == c.listings.end() ? Names() : found->second;
    });
    EXPECT_EQ(got, c.expanded) << c.line;
  }
}

}  // namespace
}  // namespace codvet
