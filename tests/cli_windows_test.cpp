// End-to-end tests of what only the Windows program does: sharing files with
// writers, and the wildcard expansion it does itself, with real directories
// and command lines passed exactly as typed, since whether a pattern was
// quoted shows only there.
#include <direct.h>
#include <windows.h>

#include <string>

#include "gtest/gtest.h"
#include "run_process.h"
#include "report/messages.h"

namespace codvet {
namespace {

// The one report for a file that holds the single byte 0x80, checked as utf8.
std::string Report(const std::string& name) {
  return "\"" + name + "\" (0): " + std::string(MsgIncompleteCharacterUtf8) + " (0x80)\r\n";
}

class WindowsCli : public ::testing::Test {
 protected:
  TempDir dir;

  void Make(const std::string& name) { dir.Write(name, "\x80"); }

  // Runs codvet in the test's directory with `typed` after the program name.
  ProcessResult Run(const std::string& typed) {
    ProcessOptions options;
    options.rawArguments = typed;
    options.directory = dir.path();
    return RunProcess(CODVET_BINARY, options);
  }
};

TEST_F(WindowsCli, FileOpenForWritingElsewhereIsRead) {
  Make("log.txt");
  std::string path = dir.path() + "\\log.txt";
  HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  ProcessResult r = Run("utf8 log.txt");
  CloseHandle(writer);
  EXPECT_EQ(r.out, Report("log.txt"));
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 2);
}

TEST_F(WindowsCli, MatchesAreSortedWithoutRegardToCase) {
  Make("b.txt");
  Make("A.txt");
  Make("c.dat");
  ProcessResult r = Run("utf8 *.txt");
  EXPECT_EQ(r.out, Report("A.txt") + Report("b.txt"));
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 2);
}

TEST_F(WindowsCli, DirectoryPrefixIsKept) {
  ASSERT_EQ(_mkdir((dir.path() + "\\sub").c_str()), 0);
  Make("sub\\b.txt");
  Make("sub\\a.txt");
  Make("top.txt");
  ProcessResult r = Run("utf8 sub\\*.txt sub/?.txt");
  EXPECT_EQ(r.out, Report("sub\\a.txt") + Report("sub\\b.txt") + Report("sub/a.txt") +
                       Report("sub/b.txt"));
  EXPECT_EQ(r.status, 2);
}

TEST_F(WindowsCli, DriveWithoutDirectoryIsAPrefix) {
  // The test's directory is the current directory of its drive.
  std::string drive = dir.path().substr(0, 2);
  ASSERT_EQ(drive[1], ':');
  Make("b.txt");
  Make("A.txt");
  ProcessResult r = Run("utf8 " + drive + "*.txt");
  EXPECT_EQ(r.out, Report(drive + "A.txt") + Report(drive + "b.txt"));
}

TEST_F(WindowsCli, QuotedPatternIsLeftAlone) {
  Make("a.txt");
  ProcessResult r = Run("utf8 \"*.txt\"");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "*.txt: No such file or directory\r\n");
  EXPECT_EQ(r.status, 4);
}

TEST_F(WindowsCli, OnlyAQuoteAtTheStartProtects) {
  Make("ab.txt");
  ProcessResult r = Run("utf8 a\"*\".txt");
  EXPECT_EQ(r.out, Report("ab.txt"));
  EXPECT_EQ(r.status, 2);
}

TEST_F(WindowsCli, DoubledQuotesDoNotHideWhichArgumentsWereQuoted) {
  Make("b.txt");
  Make("A.txt");
  // Runtimes differ in where the last argument ends; the program must still
  // tell that only the second file argument was quoted.
  ProcessResult r = Run("utf8 *.txt \"*\" \"a\"\"b c\"");
  EXPECT_EQ(r.out, Report("A.txt") + Report("b.txt"));
  EXPECT_EQ(r.err.substr(0, 3), "*: ");
  EXPECT_EQ(r.status, 4);
}

TEST_F(WindowsCli, UnmatchedPatternIsAMissingFile) {
  Make("a.txt");
  ProcessResult r = Run("utf8 a.txt nomatch*.txt a.txt");
  EXPECT_EQ(r.out, Report("a.txt"));
  EXPECT_EQ(r.err, "nomatch*.txt: No such file or directory\r\n");
  EXPECT_EQ(r.status, 4);
}

TEST_F(WindowsCli, PatternsOfSeveralArgumentsKeepTheirPlaces) {
  for (const char* name : {"b1.txt", "B0.txt", "plain", "a1.txt", "A0.txt"}) Make(name);
  ProcessResult r = Run("utf8 b*.txt plain a?.txt b1.txt");
  EXPECT_EQ(r.out, Report("B0.txt") + Report("b1.txt") + Report("plain") + Report("A0.txt") +
                       Report("a1.txt") + Report("b1.txt"));
  EXPECT_EQ(r.status, 2);
}

// In code page 932 the second byte of a character may look like "\", and a
// half-width katakana (one byte) sorts before every double-byte character,
// although its byte is the larger.
TEST_F(WindowsCli, Cp932CharactersAreUnits) {
  if (GetACP() != 932) GTEST_SKIP() << "needs the active code page 932 (a Japanese locale)";
  const std::string kTable = "\x95\x5c";  // a kanji ending in 0x5C
  const std::string kHiragana = "\x82\xa0";
  const std::string kKatakana = "\xb1";
  for (const std::string& stem : {kTable, kHiragana, kKatakana}) Make(stem + ".txt");
  ProcessResult r = Run("utf8 " + kTable + "* *.txt");
  EXPECT_EQ(r.out, Report(kTable + ".txt") + Report(kKatakana + ".txt") +
                       Report(kHiragana + ".txt") + Report(kTable + ".txt"));
  EXPECT_EQ(r.err, "");
}

TEST_F(WindowsCli, DotEntriesAreSkipped) {
  Make(".x");
  ProcessResult r = Run("utf8 .*");
  EXPECT_EQ(r.out, Report(".x"));
  EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace codvet
