// End-to-end tests of what only the Windows program does: sharing files with
// writers, and wildcard expansion on a real file system, from command lines
// passed exactly as typed, since whether a pattern was quoted shows only there.
#include <windows.h>

#include "gtest/gtest.h"
#include "report/messages.h"
#include "run_process.h"
#include "validator_test_util.h"

namespace codvet {
namespace {

// The one report for a file that holds the single byte 0x80, checked as utf8.
std::string Report(const std::string& name) {
  return ReportText(name, 0, MsgIncompleteCharacterUtf8, 0x80, "\r\n");
}

// Runs codvet in a directory of its own holding `files` (each the byte 0x80)
// and a folder "sub", with `typed` after the program name.
ProcessResult RunIn(const std::vector<std::string>& files, const std::string& typed) {
  TempDir dir;
  CreateDirectoryA((dir.path() + "\\sub").c_str(), nullptr);
  for (const std::string& name : files) dir.Write(name, "\x80");
  ProcessOptions options;
  options.rawArguments = typed;
  options.directory = dir.path();
  return RunProcess(CODVET_BINARY, options);
}

TEST(WindowsCli, FileOpenForWritingElsewhereIsRead) {
  TempDir dir;
  std::string path = dir.Write("log.txt", "\x80");
  HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  ProcessOptions options;
  options.args = {"utf8", path};
  ProcessResult r = RunProcess(CODVET_BINARY, options);
  CloseHandle(writer);
  EXPECT_EQ(r.out, Report(path));
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 2);
}

TEST(WindowsCli, WildcardsAreExpanded) {
  // The run's directory is the current directory of its drive.
  const std::string drive = TempDir().path().substr(0, 2);
  struct Case {
    std::vector<std::string> files;
    std::string typed, out, err;  // a missing file makes the status 4
  } cases[] = {
      // Matches are sorted without regard to case, "." and ".." left out;
      // patterns keep their places.
      {{"b1.txt", "B0.txt", "a1.txt", "A0.txt", ".x", "c.dat"},
       "utf8 b*.txt .* a?.txt",
       Report("B0.txt") + Report("b1.txt") + Report(".x") + Report("A0.txt") + Report("a1.txt"),
       ""},
      {{"sub\\a.txt", "top.txt"},
       "utf8 sub\\*.txt sub/?.txt " + drive + "*.txt",
       Report("sub\\a.txt") + Report("sub/a.txt") + Report(drive + "top.txt"),
       ""},
      // Runtimes differ in where the last argument ends; the program must
      // still tell that only the second file argument was quoted, and report
      // the quoted pattern as a missing file.
      {{"b.txt", "A.txt"},
       "utf8 *.txt \"*\" \"a\"\"b c\"",
       Report("A.txt") + Report("b.txt"),
       "*: No such file or directory\r\n"},
  };
  for (const Case& c : cases) {
    ProcessResult r = RunIn(c.files, c.typed);
    EXPECT_EQ(r.out, c.out) << c.typed;
    EXPECT_EQ(r.err, c.err) << c.typed;
    EXPECT_EQ(r.status, c.err.empty() ? 2 : 4) << c.typed;
  }
}

// In code page 932 the second byte of a character may look like "\", and a
// half-width katakana (one byte) sorts before every double-byte character,
// although its byte is the larger.
TEST(WindowsCli, Cp932CharactersAreUnits) {
  if (GetACP() != 932) GTEST_SKIP() << "needs the active code page 932 (a Japanese locale)";
  const std::string kTable = "\x95\x5c";  // a kanji ending in 0x5C
  const std::string kHiragana = "\x82\xa0";
  const std::string kKatakana = "\xb1";
  ProcessResult r = RunIn({kTable + ".txt", kHiragana + ".txt", kKatakana + ".txt"},
                          "utf8 " + kTable + "* *.txt");
  EXPECT_EQ(r.out, Report(kTable + ".txt") + Report(kKatakana + ".txt") +
                       Report(kHiragana + ".txt") + Report(kTable + ".txt"));
  EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace codvet
