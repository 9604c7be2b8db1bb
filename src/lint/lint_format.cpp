#include "lint/lint_format.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "codvet/codvet.h"

namespace codvet {
namespace lint {
namespace {

struct Alias {
  const char* alias;
  const char* name;
};
constexpr Alias kAliases[] = {
    {"utf-8", "utf8"},
    {"shift-jis", "shift_jis"},
    {"sjis", "shift_jis"},
    {"cp932", "windows-31j"},
    {"ms932", "windows-31j"},
    {"eucjp", "euc-jp"},
    {"iso2022jp", "iso-2022-jp"},
    {"jis", "iso-2022-jp"},
    {"utf-16", "utf16"},
    {"utf-16le", "utf16le"},
    {"utf-16be", "utf16be"},
};

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::size_t Distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The length of the UTF-8 character at `text[at]`, or 0 if none starts there.
std::size_t Utf8Length(std::string_view text, std::size_t at) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned lead = byte(at);
  if (lead < 0x80) return 1;
  std::size_t length = lead >= 0xc2 && lead <= 0xdf   ? 2
                       : lead >= 0xe0 && lead <= 0xef ? 3
                       : lead >= 0xf0 && lead <= 0xf4 ? 4
                                                      : 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xc0) != 0x80) return 0;
  }
  unsigned second = byte(at + 1);
  // Overlong forms, surrogates and values beyond U+10FFFF.
  if ((lead == 0xe0 && second < 0xa0) || (lead == 0xed && second >= 0xa0) ||
      (lead == 0xf0 && second < 0x90) || (lead == 0xf4 && second >= 0x90)) {
    return 0;
  }
  return length;
}

bool MatchSet(std::string_view glob, std::size_t& g, char c) {
  std::size_t start = ++g;
  bool negate = g < glob.size() && (glob[g] == '!' || glob[g] == '^');
  if (negate) start = ++g;
  bool found = false;
  while (g < glob.size() && (glob[g] != ']' || g == start)) {
    if (g + 2 < glob.size() && glob[g + 1] == '-' && glob[g + 2] != ']') {
      found |= glob[g] <= c && c <= glob[g + 2];
      g += 3;
    } else {
      found |= glob[g++] == c;
    }
  }
  ++g;  // past "]"
  return found != negate;
}

bool Match(std::string_view glob, std::string_view path) {
  std::size_t g = 0, p = 0;
  while (g < glob.size()) {
    if (glob[g] == '*') {
      bool any = g + 1 < glob.size() && glob[g + 1] == '*';
      std::string_view rest = glob.substr(g + (any ? 2 : 1));
      if (any && !rest.empty() && rest[0] == '/' && Match(rest.substr(1), path.substr(p))) {
        return true;  // "**/" also matches no directory at all
      }
      for (std::size_t q = p;; ++q) {
        if (Match(rest, path.substr(q))) return true;
        if (q == path.size() || (!any && path[q] == '/')) return false;
      }
    }
    if (p == path.size() || (glob[g] != '?' && glob[g] != '[' && glob[g] != path[p])) return false;
    if (glob[g] == '?' && path[p] == '/') return false;
    if (glob[g] == '[') {
      if (glob.find(']', g + 2) == std::string_view::npos) {
        if (path[p] != '[') return false;
        ++g;
      } else if (!MatchSet(glob, g, path[p])) {
        return false;
      }
    } else {
      ++g;
    }
    ++p;
  }
  return p == path.size();
}

}  // namespace

void AppendJsonString(std::string* out, std::string_view text) {
  out->push_back('"');
  char escape[8];
  for (std::size_t at = 0; at < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[at]);
    std::size_t length = Utf8Length(text, at);
    if (c == '"' || c == '\\') {
      out->push_back('\\');
      out->push_back(static_cast<char>(c));
    } else if (c < 0x20 || length == 0) {
      std::snprintf(escape, sizeof escape, c < 0x20 ? "\\u%04x" : "\\udc%02x", c);
      out->append(escape);
    } else {
      out->append(text.substr(at, length));
      at += length;
      continue;
    }
    ++at;
  }
  out->push_back('"');
}

void AppendGithubEscaped(std::string* out, std::string_view text, bool property) {
  for (char c : text) {
    switch (c) {
      case '%':
        out->append("%25");
        break;
      case '\r':
        out->append("%0D");
        break;
      case '\n':
        out->append("%0A");
        break;
      case ':':
        out->append(property ? "%3A" : ":");
        break;
      case ',':
        out->append(property ? "%2C" : ",");
        break;
      default:
        out->push_back(c);
    }
  }
}

bool MatchGlob(std::string_view glob, std::string_view path) {
  if (glob.find('/') == std::string_view::npos) {
    std::size_t slash = path.rfind('/');
    if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
  }
  return Match(glob, path);
}

const char* ResolveEncoding(std::string_view name) {
  std::string lower = Lower(name);
  for (int i = 0; i < kEncodingCount; ++i) {
    if (lower == EncodingName(i)) return EncodingName(i);
  }
  for (const Alias& alias : kAliases) {
    if (lower == alias.alias) return alias.name;
  }
  return nullptr;
}

std::vector<std::string> NearestEncodings(std::string_view name) {
  std::string lower = Lower(name);
  std::vector<std::string> known;
  for (int i = 0; i < kEncodingCount; ++i) known.emplace_back(EncodingName(i));
  for (const Alias& alias : kAliases) known.emplace_back(alias.alias);
  std::size_t best = SIZE_MAX;
  for (const std::string& candidate : known) best = std::min(best, Distance(lower, candidate));
  std::vector<std::string> nearest;
  for (const std::string& candidate : known) {
    // Far from every name, a guess would mislead.
    if (best <= 2 && Distance(lower, candidate) == best) nearest.push_back(candidate);
  }
  return nearest;
}

}  // namespace lint
}  // namespace codvet
