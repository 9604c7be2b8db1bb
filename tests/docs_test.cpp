// The documentation tells the truth: every example in README.md and in the
// manual page gives the output shown, both list every message exactly, and
// the bash completion offers what it should.
//
// An example is a command after "$ " in a code block (in README.md, a block
// marked ```console), followed by the lines it prints. The command is run
// with bash, with the built program first on PATH, LC_ALL=C and standard
// error in the same file as standard output (as a terminal shows them).
// README examples run in the source directory, in order; the manual page's
// run in order in an empty directory of their own, since they make their own
// files.
//
// The examples are bash and POSIX tools, so these tests are left out on
// Windows.
#ifndef _WIN32
#include <cstring>
#include <numeric>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "gtest/gtest.h"
#include "report/messages.h"
#include "run_process.h"
#include "validator_test_util.h"

namespace codvet {
namespace {

const std::string kSourceDir = CODVET_SOURCE_DIR;

struct Example {
  int line = 0;  // of the command in its document
  std::string command;
  std::string output;  // every line with its newline
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// The text that a line of roff shows, for the few escapes that the manual
// page's examples and messages use. Any other escape fails the test, so that
// nothing is compared that the reader would see differently.
std::string Unescape(const std::string& roff, int line) {
  static const std::pair<const char*, const char*> kEscapes[] = {
      {"\\-", "-"}, {"\\e", "\\"}, {"\\(aq", "'"}, {"\\(dq", "\""},
      {"\\&", ""},  {"\\%", ""},   {"\\:", ""},
  };
  std::string out;
  for (std::size_t i = 0; i < roff.size();) {
    if (roff[i] != '\\') {
      out += roff[i++];
      continue;
    }
    bool known = false;
    for (const auto& [escape, text] : kEscapes) {
      if (roff.compare(i, std::strlen(escape), escape) == 0) {
        out += text;
        i += std::strlen(escape);
        known = true;
        break;
      }
    }
    if (!known) {
      ADD_FAILURE() << "codvet.1:" << line << ": unexpected escape in " << roff;
      return out;
    }
  }
  return out;
}

// The examples of a document: in README.md in the code blocks marked
// "console" (other blocks are commands to copy, scripts, formats); in the
// manual page between .EX and .EE, where an output line that holds Japanese
// text is written as ".ie \\n(JA TEXT" with an ASCII stand-in after ".el" and
// TEXT is compared.
std::vector<Example> Examples(const std::string& text, bool manPage) {
  std::vector<Example> examples;
  bool run = false, inBlock = false, commandSeen = false;
  std::vector<std::string> lines = Lines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string line = lines[i];
    int number = static_cast<int>(i + 1);
    if (manPage ? line == ".EX" || line == ".EE" : StartsWith(line, "```")) {
      inBlock = manPage ? line == ".EX" : !inBlock;
      run = inBlock && (manPage || line == "```console");
      commandSeen = false;
    } else if (run && StartsWith(line, "$ ")) {
      line = line.substr(2);
      examples.push_back({number, manPage ? Unescape(line, number) : line, ""});
      commandSeen = true;
    } else if (commandSeen && (!manPage || !StartsWith(line, ".el "))) {
      if (manPage && StartsWith(line, ".ie \\n(JA ")) {
        line = line.substr(std::strlen(".ie \\n(JA "));
      } else if (manPage && StartsWith(line, ".")) {
        ADD_FAILURE() << "codvet.1:" << number << ": unexpected request in an example: " << line;
      }
      examples.back().output += (manPage ? Unescape(line, number) : line) + "\n";
    }
  }
  return examples;
}

std::string BinaryDirectory() {
  std::string binary = CODVET_BINARY;
  return binary.substr(0, binary.rfind('/'));
}

void RunExamples(const std::string& document, const std::vector<Example>& examples,
                 const std::string& directory) {
  for (const Example& example : examples) {
    ProcessOptions options;
    options.args = {
        "-c", "export LC_ALL=C PATH='" + BinaryDirectory() + "':\"$PATH\"\n" + example.command};
    options.directory = directory;
    options.mergeStderr = true;
    ProcessResult r = RunProcess("/bin/bash", options);
    EXPECT_EQ(r.out, example.output)
        << document << ":" << example.line << ": $ " << example.command;
  }
}

TEST(Docs, ReadmeExamplesGiveTheOutputShown) {
  std::vector<Example> examples = Examples(ReadFile(kSourceDir + "/README.md"), false);
  EXPECT_GE(examples.size(), 8u);
  RunExamples("README.md", examples, kSourceDir);
}

TEST(Docs, ManPageExamplesGiveTheOutputShown) {
  std::vector<Example> examples = Examples(ReadFile(kSourceDir + "/doc/codvet.1"), true);
  EXPECT_GE(examples.size(), 10u);
  TempDir dir;
  RunExamples("doc/codvet.1", examples, dir.path());
}

// The message catalogue, kMessages, as readable text, each message with the
// identifier src/report/messages.h declares it under (in the same order).
std::vector<std::pair<std::string, std::string>> Catalogue() {
  std::vector<std::pair<std::string, std::string>> catalogue;
  std::string header = ReadFile(kSourceDir + "/src/report/messages.h");
  const std::string kDeclaration = "inline constexpr std::string_view Msg";
  std::size_t at = header.find(kDeclaration);
  for (std::string_view message : kMessages) {
    std::size_t name = at + kDeclaration.size() - 3;
    std::optional<std::string> text = Convert("CP932", "UTF-8", message);
    EXPECT_TRUE(text) << message;
    catalogue.emplace_back(header.substr(name, header.find(' ', name) - name), text.value_or(""));
    at = header.find(kDeclaration, name);
  }
  EXPECT_EQ(at, std::string::npos) << "every message is in kMessages";
  return catalogue;
}

// README.md has a table row for every message: its identifier in backquotes,
// then its English and its Japanese half in two cells.
TEST(Docs, ReadmeListsEveryMessageExactly) {
  std::vector<std::string> lines = Lines(ReadFile(kSourceDir + "/README.md"));
  for (const auto& [identifier, text] : Catalogue()) {
    int rows = 0;
    std::string key = "| `" + identifier + "` | ";
    for (const std::string& line : lines) {
      if (!StartsWith(line, key)) continue;
      ++rows;
      std::string cells = line.substr(key.size());
      std::size_t bar = cells.find(" | ");
      std::size_t end = cells.find(" | ", bar + 1);
      EXPECT_EQ(cells.substr(0, bar) + " " + cells.substr(bar + 3, end - bar - 3), text) << line;
    }
    EXPECT_EQ(rows, 1) << identifier;
  }
}

// The manual page gives every message as a tag in bold (the English half)
// followed by ".if \n(JA" and the Japanese half, in the catalogue's order.
TEST(Docs, ManPageListsEveryMessageExactly) {
  std::vector<std::string> lines = Lines(ReadFile(kSourceDir + "/doc/codvet.1"));
  std::vector<std::string> listed;
  for (std::size_t i = 0; i + 2 < lines.size(); ++i) {
    if (lines[i] == ".TP" && StartsWith(lines[i + 1], ".B ") &&
        StartsWith(lines[i + 2], ".if \\n(JA ")) {
      int number = static_cast<int>(i + 2);
      std::string english = lines[i + 1].substr(3);
      if (StartsWith(english, "\"") && english.size() > 1)
        english = english.substr(1, english.size() - 2);
      listed.push_back(Unescape(english, number) + " " +
                       Unescape(lines[i + 2].substr(std::strlen(".if \\n(JA ")), number + 1));
    }
  }
  std::vector<std::string> expected;
  for (const auto& entry : Catalogue()) expected.push_back(entry.second);
  EXPECT_EQ(listed, expected);
}

std::string Complete(const std::vector<std::string>& words, const std::string& directory) {
  std::string script = "source '" + kSourceDir + "/completion/codvet.bash'\nCOMP_WORDS=(";
  for (const std::string& word : words) script += "'" + word + "' ";
  script += ")\nCOMP_CWORD=" + std::to_string(words.size() - 1) +
            "\n_codvet\nprintf '%s\\n' \"${COMPREPLY[@]}\" | sort\n";
  ProcessOptions options;
  options.args = {"-c", script};
  options.directory = directory;
  options.env = {"LC_ALL=C"};
  ProcessResult r = RunProcess("/bin/bash", options);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
  return r.out;
}

TEST(Completion, OffersEncodingNamesFirstThenFiles) {
  TempDir dir;
  dir.Write("a b.txt", "");
  dir.Write("utf8.txt", "");
  std::set<std::string> names;
  for (const TestEncoding& e : kTestEncodings) names.insert(std::string(e.name) + "\n");
  EXPECT_EQ(Complete({"codvet", ""}, dir.path()),
            std::accumulate(names.begin(), names.end(), std::string()));
  EXPECT_EQ(Complete({"codvet", "utf16"}, dir.path()), "utf16\nutf16be\nutf16le\n");
  EXPECT_EQ(Complete({"codvet", "w"}, dir.path()), "windows-31j\n");
  EXPECT_EQ(Complete({"codvet", "utf8", ""}, dir.path()), "a b.txt\nutf8.txt\n");
  EXPECT_EQ(Complete({"codvet", "utf8", "a b.txt", "u"}, dir.path()), "utf8.txt\n");
}

}  // namespace
}  // namespace codvet

#endif  // _WIN32
