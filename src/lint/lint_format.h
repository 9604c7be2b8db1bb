// The pieces of codvet-lint's output that need care: escaping for JSON and
// for GitHub's workflow commands, glob matching for --include and --exclude,
// and encoding names with their aliases.
#ifndef SRC_LINT_LINT_FORMAT_H_
#define SRC_LINT_LINT_FORMAT_H_

#include <string>
#include <string_view>
#include <vector>

namespace codvet {
namespace lint {

// Appends `text` as a JSON string, quotes included. Bytes that are not UTF-8
// become \udcXX, as Python's surrogateescape reads them, so that a file
// name of any bytes comes back whole (os.fsencode).
void AppendJsonString(std::string* out, std::string_view text);

// Escapes a workflow command's property value (`property` true) or its data.
void AppendGithubEscaped(std::string* out, std::string_view text, bool property);

// Matches a path against a glob: "*" and "?" stop at "/", "**" does not,
// "[...]" is a set ("!" or "^" first negates it). A glob without "/" is
// matched against the last component alone.
bool MatchGlob(std::string_view glob, std::string_view path);

// The encoding name the library knows for `name` (one of the eight or an
// alias, in any ASCII case), or null.
const char* ResolveEncoding(std::string_view name);

// The known names (the eight and the aliases) nearest to `name`, none if
// all are far from it.
std::vector<std::string> NearestEncodings(std::string_view name);

}  // namespace lint
}  // namespace codvet

#endif  // SRC_LINT_LINT_FORMAT_H_
