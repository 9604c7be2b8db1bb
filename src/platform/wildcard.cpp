#include "platform/wildcard.h"

#include <algorithm>

namespace codvet {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// One unit of comparison: an ASCII letter folded to lower case, any other
// single byte as it is, a double-byte character as lead * 256 + trail, so a
// trail byte that happens to be a letter is never folded.
unsigned NextUnit(std::string_view text, std::size_t& at, const LeadBytes& lead) {
  std::size_t length = lead.CharLength(text, at);
  unsigned first = static_cast<unsigned char>(text[at]);
  at += length;
  if (length == 2) return first << 8 | static_cast<unsigned char>(text[at - 1]);
  return first >= 'A' && first <= 'Z' ? first + ('a' - 'A') : first;
}

}  // namespace

std::vector<RawArgument> SplitCommandLine(std::string_view line, const LeadBytes& lead,
                                          DoubledQuote rule) {
  std::vector<RawArgument> split;
  std::size_t at = 0;
  std::size_t end = line.size();
  // The program name: quotes only group, backslashes are plain characters.
  RawArgument program{"", end > 0 && line[0] == '"'};
  for (bool inQuote = false; at < end;) {
    if (line[at] == '"') {
      inQuote = !inQuote;
      ++at;
      continue;
    }
    if (!inQuote && IsBlank(line[at])) break;
    std::size_t length = lead.CharLength(line, at);
    program.text.append(line.substr(at, length));
    at += length;
  }
  split.push_back(std::move(program));
  for (;;) {
    while (at < end && IsBlank(line[at])) ++at;
    if (at == end) break;
    RawArgument arg{"", line[at] == '"'};
    bool inQuote = false;
    while (at < end) {
      std::size_t slashes = 0;
      while (at < end && line[at] == '\\') ++at, ++slashes;
      if (at < end && line[at] == '"') {
        // Backslashes before a quote stand for half as many; an odd one out
        // makes the quote a plain character.
        arg.text.append(slashes / 2, '\\');
        if (slashes % 2 == 1) {
          arg.text += '"';
        } else if (inQuote && at + 1 < end && line[at + 1] == '"') {
          arg.text += '"';
          ++at;
          inQuote = rule == DoubledQuote::KeepsQuoting;
        } else {
          inQuote = !inQuote;
        }
        ++at;
        continue;
      }
      arg.text.append(slashes, '\\');
      if (at == end || (!inQuote && IsBlank(line[at]))) break;
      std::size_t length = lead.CharLength(line, at);
      arg.text.append(line.substr(at, length));
      at += length;
    }
    split.push_back(std::move(arg));
  }
  return split;
}

std::size_t FindWildcard(std::string_view arg, const LeadBytes& lead) {
  for (std::size_t at = 0; at < arg.size(); at += lead.CharLength(arg, at)) {
    if (arg[at] == '*' || arg[at] == '?') return at;
  }
  return std::string_view::npos;
}

std::size_t DirectoryPrefixLength(std::string_view arg, std::size_t wildcard,
                                  const LeadBytes& lead) {
  std::size_t separator = std::string_view::npos;
  // Walked forwards: a trail byte is told from a separator only by what
  // precedes it.
  for (std::size_t at = 0; at < wildcard; at += lead.CharLength(arg, at)) {
    if (arg[at] == '\\' || arg[at] == '/' || arg[at] == ':') separator = at;
  }
  if (separator == std::string_view::npos) return 0;
  if (arg[separator] == ':' && separator != 1) return std::string_view::npos;
  return separator + 1;
}

int CompareNames(std::string_view a, std::string_view b, const LeadBytes& lead) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    unsigned x = NextUnit(a, i, lead);
    unsigned y = NextUnit(b, j, lead);
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  return j < b.size() ? -1 : 0;
}

std::vector<std::string> ExpandWildcards(const std::vector<std::string>& args,
                                         std::string_view commandLine, const LeadBytes& lead,
                                         const FindMatches& find) {
  // Whether an argument began with a quote shows only on the raw command
  // line. The way of splitting it that gives back the argument vector is
  // the runtime's; the program name is left out of the comparison, since
  // runtimes read it differently and it is never used.
  std::vector<RawArgument> split;
  auto sameArguments = [&] {
    if (split.size() != args.size()) return false;
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (split[i].text != args[i]) return false;
    }
    return true;
  };
  split = SplitCommandLine(commandLine, lead, DoubledQuote::EndsQuoting);
  if (!sameArguments()) {
    split = SplitCommandLine(commandLine, lead, DoubledQuote::KeepsQuoting);
    if (!sameArguments()) return args;
  }
  std::vector<std::string> expanded;
  expanded.reserve(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::size_t wildcard = split[i].quoted ? std::string::npos : FindWildcard(arg, lead);
    std::size_t prefix = wildcard == std::string::npos ? std::string::npos
                                                       : DirectoryPrefixLength(arg, wildcard, lead);
    std::vector<std::string> names;
    if (prefix != std::string::npos) names = find(arg);
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const std::string& name) { return name == "." || name == ".."; }),
                names.end());
    if (names.empty()) {
      expanded.push_back(arg);
      continue;
    }
    std::stable_sort(names.begin(), names.end(), [&](const std::string& x, const std::string& y) {
      return CompareNames(x, y, lead) < 0;
    });
    for (const std::string& name : names) expanded.push_back(arg.substr(0, prefix) + name);
  }
  return expanded;
}

}  // namespace codvet
