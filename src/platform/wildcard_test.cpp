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
  struct Case {
    const char* line;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"codvet.exe", {"codvet.exe"}},
      {"", {""}},
      {"codvet.exe utf8 *.txt", {"codvet.exe", "utf8", "*.txt"}},
      {"codvet.exe  utf8\t\"*.txt\"  ", {"codvet.exe", "utf8", "^*.txt"}},
      {"\"C:\\Program Files\\codvet.exe\" utf8 a*",
       {"^C:\\Program Files\\codvet.exe", "utf8", "a*"}},
      // Backslashes in the program name escape nothing.
      {"\"C:\\dir\\\" utf8 a*", {"^C:\\dir\\", "utf8", "a*"}},
      {"\"a b\"c x", {"^a bc", "x"}},
      {"p \"\" x", {"p", "^", "x"}},
      {"p a\"*.txt\"", {"p", "a*.txt"}},
      // A quote escaped by a backslash neither opens quoting nor makes the
      // argument quoted.
      {"p \\\"*.txt", {"p", "\"*.txt"}},
      {"p \\\\\"a b\" c", {"p", "\\a b", "c"}},
      {"p \\\\\\\"a b\" c", {"p", "\\\"a", "b c"}},
      {"p \"a\\\" b\" c", {"p", "^a\" b", "c"}},
      // Backslashes not before a quote are plain characters.
      {"p a\\\\b\\ c\\", {"p", "a\\\\b\\", "c\\"}},
      {"p \"unterminated *", {"p", "^unterminated *"}},
  };
  for (const Case& c : cases) {
    for (DoubledQuote rule : {DoubledQuote::EndsQuoting, DoubledQuote::KeepsQuoting}) {
      EXPECT_EQ(Split(c.line, kSingleByte, rule), c.args) << c.line;
    }
  }
}

TEST(SplitCommandLine, DoubledQuotesInsideQuotes) {
  const char* line = "p \"a\"\"b c\" *";
  EXPECT_EQ(Split(line, kSingleByte, DoubledQuote::EndsQuoting),
            (std::vector<std::string>{"p", "^a\"b", "c *"}));
  EXPECT_EQ(Split(line, kSingleByte, DoubledQuote::KeepsQuoting),
            (std::vector<std::string>{"p", "^a\"b c", "*"}));
}

TEST(SplitCommandLine, TrailBytesAreNeverBackslashes) {
  // 0x95 0x5C is one character in code page 932; in a single-byte code page
  // the 0x5C is a backslash that escapes the quote after it.
  const char* line = "p \x95\\\" a b\" \"*\"";
  EXPECT_EQ(Split(line, kCp932, DoubledQuote::EndsQuoting),
            (std::vector<std::string>{"p", "\x95\\ a b", "^*"}));
  EXPECT_EQ(Split(line, kSingleByte, DoubledQuote::EndsQuoting),
            (std::vector<std::string>{"p", "\x95\"", "a", "b *"}));
}

TEST(FindWildcard, SearchesCharacterByCharacter) {
  struct Case {
    const char* arg;
    const LeadBytes& lead;
    std::size_t at;
  };
  const std::size_t kNone = std::string_view::npos;
  const Case cases[] = {
      {"a.txt", kSingleByte, kNone},
      {"", kSingleByte, kNone},
      {"*.txt", kSingleByte, 0},
      {"a?b*", kSingleByte, 1},
      {"dir\\sub/x*", kSingleByte, 9},
      // 0x81 0x3F would be a lead byte and its trail: no wildcard there.
      {"\x81?", kCp932, kNone},
      {"\x81?", kSingleByte, 1},
      {"\x81?*", kCp932, 2},
      // A lead byte at the very end is a character of its own.
      {"a*\x81", kCp932, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(FindWildcard(c.arg, c.lead), c.at) << c.arg;
}

TEST(DirectoryPrefixLength, UpToTheLastSeparatorBeforeTheWildcard) {
  struct Case {
    const char* arg;
    const LeadBytes& lead;
    std::size_t length;
  };
  const std::size_t kKept = std::string_view::npos;
  const Case cases[] = {
      {"*.txt", kSingleByte, 0},
      {"sub\\*.txt", kSingleByte, 4},
      {"a/b\\c/d*.txt", kSingleByte, 6},
      {"sub\\a*\\b.txt", kSingleByte, 4},
      {"C:*.txt", kSingleByte, 2},
      {"C:\\dir\\*.txt", kSingleByte, 7},
      // A colon that does not end a drive letter keeps the argument whole...
      {"ab:*.txt", kSingleByte, kKept},
      {":*.txt", kSingleByte, kKept},
      {"C:\\x:*.txt", kSingleByte, kKept},
      // ...but only the nearest separator decides.
      {"ab:c\\*.txt", kSingleByte, 5},
      // 0x95 0x5C is one character, not a directory separator.
      {"\x95\\*.txt", kCp932, 0},
      {"\x95\\*.txt", kSingleByte, 2},
      {"d\\\x95\\*.txt", kCp932, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DirectoryPrefixLength(c.arg, FindWildcard(c.arg, c.lead), c.lead), c.length) << c.arg;
  }
}

TEST(CompareNames, IgnoresCaseAndKeepsDoubleByteCharactersWhole) {
  struct Case {
    const char* a;
    const char* b;
    const LeadBytes& lead;
    int sign;
  };
  const Case cases[] = {
      {"A.txt", "b.txt", kSingleByte, -1},
      {"a.txt", "A.TXT", kSingleByte, 0},
      {"B", "a", kSingleByte, 1},
      {"ab", "AB.", kSingleByte, -1},
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

class ExpandWildcardsTest : public ::testing::Test {
 protected:
  // Patterns searched, and what the directory search gives for each.
  std::map<std::string, std::vector<std::string>> listings;
  std::vector<std::string> searched;

  std::vector<std::string> Expand(const std::string& line, const std::vector<std::string>& args,
                                  const LeadBytes& lead = kSingleByte) {
    return ExpandWildcards(args, line, lead, [this](const std::string& pattern) {
      searched.push_back(pattern);
      auto found = listings.find(pattern);
      return found == listings.end() ? std::vector<std::string>() : found->second;
    });
  }
};

TEST_F(ExpandWildcardsTest, MatchesAreSortedAmongThemselvesInPlace) {
  listings["*.txt"] = {"b.txt", "A.txt", "c.TXT"};
  listings["x?"] = {"xb", "Xa"};
  EXPECT_EQ(
      Expand("codvet utf8 *.txt plain x?", {"codvet", "utf8", "*.txt", "plain", "x?"}),
      (std::vector<std::string>{"codvet", "utf8", "A.txt", "b.txt", "c.TXT", "plain", "Xa", "xb"}));
  EXPECT_EQ(searched, (std::vector<std::string>{"*.txt", "x?"}));
}

TEST_F(ExpandWildcardsTest, DirectoryPrefixIsKept) {
  listings["sub\\*.txt"] = {"b.txt", "a.txt"};
  listings["C:*"] = {"x"};
  listings["d/e\\f*"] = {"f1"};
  EXPECT_EQ(Expand("p sub\\*.txt C:* d/e\\f*", {"p", "sub\\*.txt", "C:*", "d/e\\f*"}),
            (std::vector<std::string>{"p", "sub\\a.txt", "sub\\b.txt", "C:x", "d/e\\f1"}));
}

TEST_F(ExpandWildcardsTest, DotEntriesAreSkipped) {
  listings["*"] = {".", "..", ".hidden", "a"};
  listings[".*"] = {".", ".."};
  EXPECT_EQ(Expand("p * .*", {"p", "*", ".*"}),
            (std::vector<std::string>{"p", ".hidden", "a", ".*"}));
}

TEST_F(ExpandWildcardsTest, UnmatchedQuotedAndColonPatternsStayAsTheyAre) {
  listings["*.txt"] = {"a.txt"};
  listings["ab:*.txt"] = {"never"};
  EXPECT_EQ(Expand("p nomatch*.txt \"*.txt\" ab:*.txt", {"p", "nomatch*.txt", "*.txt", "ab:*.txt"}),
            (std::vector<std::string>{"p", "nomatch*.txt", "*.txt", "ab:*.txt"}));
  // Only the pattern that was neither quoted nor kept by the colon rule is
  // searched for.
  EXPECT_EQ(searched, (std::vector<std::string>{"nomatch*.txt"}));
}

TEST_F(ExpandWildcardsTest, QuotesAfterTheStartDoNotProtect) {
  listings["a*.txt"] = {"ab.txt"};
  EXPECT_EQ(Expand("p a\"*.txt\"", {"p", "a*.txt"}), (std::vector<std::string>{"p", "ab.txt"}));
}

TEST_F(ExpandWildcardsTest, EveryArgumentIsExpandedTheEncodingNameToo) {
  listings["utf*"] = {"utf8"};
  EXPECT_EQ(Expand("p utf* x", {"p", "utf*", "x"}), (std::vector<std::string>{"p", "utf8", "x"}));
}

TEST_F(ExpandWildcardsTest, DoubleByteNamesInCodePage932) {
  // 0x95 0x5C ends in a byte that looks like a backslash; 0x83 0x41 and
  // 0x83 0x61 differ only in a trail byte that looks like a letter.
  listings["\x95\\*"] = {"\x95\\\x83\x61", "\x95\\\x83\x41"};
  EXPECT_EQ(Expand("p \x95\\*", {"p", "\x95\\*"}, kCp932),
            (std::vector<std::string>{"p", "\x95\\\x83\x41", "\x95\\\x83\x61"}));
}

TEST_F(ExpandWildcardsTest, EitherRuleForDoubledQuotesIsRecognized) {
  listings["*"] = {"a"};
  // The older rule reads one quoted argument here, the newer one a quoted
  // argument and a pattern; the argument vector tells which runtime it was.
  const char* line = "p \"x\"\"y\" *";
  EXPECT_EQ(Expand(line, {"p", "x\"y *"}), (std::vector<std::string>{"p", "x\"y *"}));
  EXPECT_TRUE(searched.empty());
  EXPECT_EQ(Expand(line, {"p", "x\"y", "*"}), (std::vector<std::string>{"p", "x\"y", "a"}));
}

TEST_F(ExpandWildcardsTest, NothingIsExpandedWhenNoSplittingGivesTheArguments) {
  listings["*"] = {"a"};
  EXPECT_EQ(Expand("p * extra", {"p", "*"}), (std::vector<std::string>{"p", "*"}));
  EXPECT_EQ(Expand("p *", {"p", "x"}), (std::vector<std::string>{"p", "x"}));
  EXPECT_TRUE(searched.empty());
}

}  // namespace
}  // namespace codvet
