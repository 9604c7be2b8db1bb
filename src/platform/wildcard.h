// Wildcard expansion of file arguments, for platforms whose command shell
// passes patterns on unexpanded. The rules live here without system calls so
// that they can be tested on any platform; the caller supplies the raw command
// line, the lead bytes of its code page and the directory search.
#ifndef SRC_PLATFORM_WILDCARD_H_
#define SRC_PLATFORM_WILDCARD_H_

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace codvet {

// The lead bytes of a double-byte code page: a lead byte and the byte after it
// form one character, whatever that second byte is (it may be a "\").
class LeadBytes {
 public:
  // A single-byte code page until bytes are added.
  LeadBytes() = default;
  void Add(unsigned char byte) { lead_[byte] = true; }
  bool Contains(unsigned char byte) const { return lead_[byte]; }
  // The length of the character that starts at `text[at]`: 2 for a lead byte
  // followed by another byte, else 1.
  std::size_t CharLength(std::string_view text, std::size_t at) const {
    return Contains(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
  }

 private:
  bool lead_[256] = {};
};

// Runtimes read two double quotes in a row inside quotes as one quote
// character; older ones end the quoting there, newer ones leave it open.
enum class DoubledQuote { EndsQuoting, KeepsQuoting };

// One argument of a raw command line as the C runtime reads it, and whether
// it began with a double quote.
struct RawArgument {
  std::string text;
  bool quoted;
};

// Splits a raw command line, the program name first, as the C runtime splits
// it into the argument vector.
std::vector<RawArgument> SplitCommandLine(std::string_view line, const LeadBytes& lead,
                                          DoubledQuote rule);

// The offset of the first "*" or "?" in `arg`, or npos.
std::size_t FindWildcard(std::string_view arg, const LeadBytes& lead);

// The length of the directory prefix of a pattern whose first wildcard is at
// `wildcard`: up to and including the last "\", "/" or ":" before it, 0 if
// there is none. npos when that character is a ":" other than the second
// character (not a drive), which leaves the argument unexpanded.
std::size_t DirectoryPrefixLength(std::string_view arg, std::size_t wildcard,
                                  const LeadBytes& lead);

// Orders names without regard to the case of ASCII letters, a double-byte
// character comparing as one unit: negative, 0 or positive.
int CompareNames(std::string_view a, std::string_view b, const LeadBytes& lead);

// The names of the directory entries that match a pattern, in the order the
// system lists them; empty when nothing matches.
using FindMatches = std::function<std::vector<std::string>(const std::string& pattern)>;

// Expands the patterns among `args`, the argument vector read from
// `commandLine`. Each pattern is replaced by its matches, prefixed by its
// directory and sorted among themselves; a pattern that matches nothing
// stays as it is. If neither way of splitting the command line gives back
// `args`, which arguments were quoted is unknown and nothing is expanded.
std::vector<std::string> ExpandWildcards(const std::vector<std::string>& args,
                                         std::string_view commandLine, const LeadBytes& lead,
                                         const FindMatches& find);

}  // namespace codvet

#endif  // SRC_PLATFORM_WILDCARD_H_
