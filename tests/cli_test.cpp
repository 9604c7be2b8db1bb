// End-to-end tests: the built program run with real files, pipes and closed
// or full streams; standard output, standard error and the exit status are
// compared exactly.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <thread>

#include "gtest/gtest.h"
#include "run_process.h"
#include "report/messages.h"

namespace codvet {
namespace {

// The program ends its lines the way text files end them on the platform.
#ifdef _WIN32
const std::string kLineEnd = "\r\n";
#else
const std::string kLineEnd = "\n";
#endif

std::string WithLineEnds(const std::string& text) {
  std::string converted;
  for (char c : text) {
    if (c == '\n') {
      converted += kLineEnd;
    } else {
      converted += c;
    }
  }
  return converted;
}

const std::string kUsage = WithLineEnds(
    "codvet: Brimolet Ver 0.1\n"
    "usage for pure SJIS:   codvet shift_jis [FILE_NAME]\n"
    "usage for MS CP932:    codvet windows-31j [FILE_NAME]\n"
    "usage for EUC-JP:      codvet euc-jp [FILE_NAME]\n"
    "usage for ISO-2022-JP: codvet iso-2022-jp [FILE_NAME]\n"
    "usage for UTF-8:       codvet utf8 [FILE_NAME]\n"
    "usage for UTF-16:      codvet utf16 [FILE_NAME]\n"
    "usage for UTF-16BE:    codvet utf16be [FILE_NAME]\n"
    "usage for UTF-16LE:    codvet utf16le [FILE_NAME]\n");

std::string Report(const std::string& name, long long offset, std::string_view message,
                   unsigned value) {
  char tail[32];
  std::snprintf(tail, sizeof tail, " (0x%x)", value);
  return "\"" + name + "\" (" + std::to_string(offset) + "): " + std::string(message) + tail +
         kLineEnd;
}

ProcessResult RunCodvet(std::vector<std::string> args, ProcessOptions options = {}) {
  options.args = std::move(args);
  return RunProcess(CODVET_BINARY, options);
}

class Cli : public ::testing::Test {
 protected:
  TempDir dir;
  std::string valid = dir.Write("valid.txt", "ASCII only.\n");  // valid in every encoding
  std::string invalid = dir.Write("invalid.txt",
                                  "a\x80"
                                  "b\xed\xa0\x80");
};

TEST_F(Cli, NoArgumentsPrintsUsage) {
  ProcessResult r = RunCodvet({});
  EXPECT_EQ(r.out, kUsage);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 4);
}

TEST_F(Cli, StandardInputIsNamedStdin) {
  ProcessOptions options;
  options.stdinMode = StdinMode::Pipe;
  options.stdinData = "ok\xc3";
  ProcessResult r = RunCodvet({"utf8"}, options);
  EXPECT_EQ(r.out, Report("(STDIN)", 2, MsgIncompleteCharacterUtf8, 0xc3));
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 2);
}

// Line ends and the DOS end-of-file byte 0x1A are ordinary bytes, in files
// and on standard input alike (Windows would translate them in text mode).
TEST_F(Cli, InputBytesAreNotTranslated) {
  const std::string bytes = "a\r\n\x1a\r\x80";
  std::string path = dir.Write("crlf.txt", bytes);
  ProcessResult r = RunCodvet({"utf8", path});
  EXPECT_EQ(r.out, Report(path, 5, MsgIncompleteCharacterUtf8, 0x80));
  for (StdinMode mode : {StdinMode::Data, StdinMode::Pipe}) {
    ProcessOptions options;
    options.stdinMode = mode;
    options.stdinData = bytes;
    r = RunCodvet({"utf8"}, options);
    EXPECT_EQ(r.out, Report("(STDIN)", 5, MsgIncompleteCharacterUtf8, 0x80));
    EXPECT_EQ(r.status, 2);
  }
}

TEST_F(Cli, EmptyStandardInputIsValid) {
  ProcessResult r = RunCodvet({"shift_jis"});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
}

TEST_F(Cli, NamesAreCaseInsensitive) {
  for (const char* name :
       {"UTF8", "Utf16LE", "SHIFT_JIS", "Windows-31J", "EUC-JP", "ISO-2022-jp"}) {
    ProcessResult r = RunCodvet({name, valid});
    EXPECT_EQ(r.status, 0) << name;
    EXPECT_EQ(r.err, "") << name;
  }
}

TEST_F(Cli, OtherSpellingsAreUnknownAfterTheFileOpened) {
  for (const char* name : {"utf-8", "sjis", "cp932", "UTF-16", "", "utf8 "}) {
    ProcessResult r = RunCodvet({name, valid});
    EXPECT_EQ(r.out, "") << name;
    EXPECT_EQ(r.err, std::string("codvet: Unkwon Encoding Name: ") + name) << name;
    EXPECT_EQ(r.status, 2) << name;
  }
}

TEST_F(Cli, UnknownNameOnStandardInput) {
  ProcessResult r = RunCodvet({"latin1"});
  EXPECT_EQ(r.err, "codvet: Unkwon Encoding Name: latin1");
  EXPECT_EQ(r.status, 2);
}

TEST_F(Cli, UnopenableFirstFileWinsOverUnknownName) {
  ProcessResult r = RunCodvet({"utf-8", dir.path() + "/missing"});
  EXPECT_EQ(r.err, dir.path() + "/missing: No such file or directory" + kLineEnd);
  EXPECT_EQ(r.status, 4);
}

TEST_F(Cli, ReportsOnlyForTheInvalidFile) {
  ProcessResult r = RunCodvet({"utf8", valid, invalid});
  EXPECT_EQ(r.out, Report(invalid, 1, MsgInvalidSecondByte, 0x62) +
                       Report(invalid, 3, MsgSurrogateInUtf8, 0xeda080));
  EXPECT_EQ(r.status, 2);
}

TEST_F(Cli, MissingFileStopsTheRunAfterEarlierReports) {
  std::string after = dir.Write("after.txt", "\x80");
  ProcessOptions options;
  options.mergeStderr = true;
  ProcessResult r = RunCodvet({"utf8", invalid, dir.path() + "/missing", after}, options);
  EXPECT_EQ(r.out, Report(invalid, 1, MsgInvalidSecondByte, 0x62) +
                       Report(invalid, 3, MsgSurrogateInUtf8, 0xeda080) + dir.path() +
                       "/missing: No such file or directory" + kLineEnd);
  EXPECT_EQ(r.status, 4);
}

TEST_F(Cli, SameFileTwiceIsReportedTwice) {
  ProcessResult r = RunCodvet({"utf8", invalid, invalid});
  std::string once = Report(invalid, 1, MsgInvalidSecondByte, 0x62) +
                     Report(invalid, 3, MsgSurrogateInUtf8, 0xeda080);
  EXPECT_EQ(r.out, once + once);
  EXPECT_EQ(r.status, 2);
}

TEST_F(Cli, TruncationEndsOneFileAndTheNextStartsAtZero) {
  std::string cut = dir.Write("cut.txt", "ab\x82");
  std::string bad = dir.Write("bad.txt", "abc\x7f");
  ProcessResult r = RunCodvet({"shift_jis", cut, cut, bad});
  EXPECT_EQ(r.out, Report(cut, 2, MsgAloneLeadByteSjis, 0x82) +
                       Report(cut, 2, MsgAloneLeadByteSjis, 0x82) +
                       Report(bad, 3, MsgInvalidCharacter, 0x7f));
  EXPECT_EQ(r.status, 2);
}

TEST_F(Cli, EmptyFileNameHasNoPrefix) {
  ProcessResult r = RunCodvet({"utf8", ""});
  EXPECT_EQ(r.err, "No such file or directory" + kLineEnd);
  EXPECT_EQ(r.status, 4);
}

TEST_F(Cli, DirectoryIsAReadErrorNotSuccess) {
  ProcessResult r = RunCodvet({"utf8", valid, dir.path()});
  EXPECT_EQ(r.out, "");
#ifdef _WIN32
  // Windows refuses to open a directory as a file.
  EXPECT_EQ(r.err, dir.path() + ": Permission denied" + kLineEnd);
#else
  EXPECT_EQ(r.err, dir.path() + ": Is a directory\n");
#endif
  EXPECT_EQ(r.status, 4);

#ifndef _WIN32  // a directory cannot be a standard handle on Windows
  ProcessOptions options;
  options.stdinMode = StdinMode::File;
  options.stdinPath = dir.path();
  r = RunCodvet({"shift_jis"}, options);
  EXPECT_EQ(r.err, "(STDIN): Is a directory\n");
  EXPECT_EQ(r.status, 4);
#endif
}

TEST_F(Cli, FileNamesArePrintedUnaltered) {
#ifdef _WIN32
  // Quotes and line feeds cannot be part of a Windows file name.
  std::string odd = dir.Write("a 'q' x\xe9\xff.txt", "\x80");
#else
  std::string odd = dir.Write("a \"q\"\n\x82\xa0\xff.txt", "\x80");
#endif
  ProcessResult r = RunCodvet({"utf8", odd});
  EXPECT_EQ(r.out, Report(odd, 0, MsgIncompleteCharacterUtf8, 0x80));
}

TEST_F(Cli, ClosedPipeOnStandardOutputDoesNotStopValidation) {
  // Many problems, then one at the very end: the status must come from the
  // whole input although the reader left after ten bytes.
  std::string many(1 << 20, '\x80');
  many += "ok";
  std::string path = dir.Write("many.txt", many);
  ProcessOptions options;
  options.stdoutMode = StdoutMode::PipeClosedEarly;
  options.keepBytes = 10;
  ProcessResult r = RunCodvet({"shift_jis", path}, options);
  EXPECT_EQ(r.out, "\"" + path.substr(0, 9));
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 2);
}

TEST_F(Cli, ClosedOrFullStandardOutput) {
#ifdef _WIN32
  const StdoutMode modes[] = {StdoutMode::Closed};  // Windows has no /dev/full
#else
  const StdoutMode modes[] = {StdoutMode::Closed, StdoutMode::DevFull};
#endif
  for (StdoutMode mode : modes) {
    ProcessOptions options;
    options.stdoutMode = mode;
    EXPECT_EQ(RunCodvet({"utf8", invalid}, options).status, 2);
    EXPECT_EQ(RunCodvet({"utf8", valid}, options).status, 0);
  }
}

TEST_F(Cli, ClosedStandardInput) {
  ProcessOptions options;
  options.stdinMode = StdinMode::Closed;
  ProcessResult r = RunCodvet({"utf8"}, options);
  EXPECT_EQ(r.err, "(STDIN): Bad file descriptor" + kLineEnd);
  EXPECT_EQ(r.status, 4);
}

// Every sample gives the output kept beside it (empty for the valid ones),
// run from the project's top directory as the README shows.
TEST(Samples, GiveTheirDocumentedOutput) {
  const char* names[] = {
      "shift_jis-valid", "shift_jis-invalid", "windows-31j-valid", "windows-31j-invalid",
      "euc-jp-valid",    "euc-jp-invalid",    "iso-2022-jp-valid", "iso-2022-jp-invalid",
      "utf8-valid",      "utf8-invalid",      "utf16-valid",       "utf16be-valid",
      "utf16le-valid",   "utf16-invalid",
  };
  for (std::string name : names) {
    std::string encoding = name.substr(0, name.rfind('-'));
    std::string expected = WithLineEnds(
        ReadFile(std::string(CODVET_SOURCE_DIR) + "/samples/expected/" + name + ".out"));
    ProcessOptions options;
    options.directory = CODVET_SOURCE_DIR;
    ProcessResult r = RunCodvet({encoding, "samples/" + name + ".txt"}, options);
    EXPECT_EQ(r.out, expected) << name;
    EXPECT_EQ(r.err, "") << name;
    EXPECT_EQ(r.status, expected.empty() ? 0 : 2) << name;
  }
}

#ifndef _WIN32  // FIFOs and descriptor limits are POSIX facilities
TEST_F(Cli, FifoArgument) {
  std::string fifo = dir.path() + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] {
    std::ofstream out(fifo, std::ios::binary);
    out << "ok\x80";
  });
  ProcessResult r = RunCodvet({"shift_jis", fifo});
  writer.join();
  EXPECT_EQ(r.out, Report(fifo, 2, MsgInvalidCharacter, 0x80));
  EXPECT_EQ(r.status, 2);
}

// Each file is closed before the next is opened: thousands of arguments
// pass under a limit of a few dozen descriptors.
TEST_F(Cli, ThousandsOfFilesWithFewDescriptors) {
  std::vector<std::string> args = {"euc-jp"};
  for (int i = 0; i < 3000; ++i) args.push_back(valid);
  std::string last = dir.Write("last.txt", "\xa9\xa1");
  args.push_back(last);
  ProcessOptions options;
  options.maxOpenFiles = 32;
  ProcessResult r = RunCodvet(args, options);
  EXPECT_EQ(r.out, Report(last, 0, MsgInvalidCharacter, 0xa9a1));
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 2);
}

#endif

// Far more lines than one buffer holds, then a file that cannot be opened:
// every line reaches the file on standard output, in order.
TEST_F(Cli, NoLineIsLostWhenTheRunEndsEarly) {
  std::string many = dir.Write("many.txt", std::string(100000, '\x80'));
  ProcessResult r = RunCodvet({"windows-31j", many, dir.path() + "/missing"});
  std::string expected;
  for (int i = 0; i < 100000; ++i) expected += Report(many, i, MsgInvalidCharacter, 0x80);
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(r.err, dir.path() + "/missing: No such file or directory" + kLineEnd);
  EXPECT_EQ(r.status, 4);
}

#ifdef CODVET_FAIL_ALLOC
TEST_F(Cli, MemoryOverWhenACodeSetCannotBeAllocated) {
  // valgrind replaces the allocator the preloaded library would wrap.
  if (UnderValgrind()) GTEST_SKIP() << "not under valgrind";
  for (const char* nth : {"1", "2"}) {
    ProcessOptions options;
    options.env = {std::string("LD_PRELOAD=") + CODVET_FAIL_ALLOC,
                   std::string("CODVET_FAIL_ALLOC_NTH=") + nth};
    ProcessResult r = RunCodvet({"utf8", invalid}, options);
    EXPECT_EQ(r.out, "") << nth;
    EXPECT_EQ(r.err, "Memory Over") << nth;
    EXPECT_EQ(r.status, 6) << nth;
  }
  // Without an encoding name no code set is built.
  ProcessOptions options;
  options.env = {std::string("LD_PRELOAD=") + CODVET_FAIL_ALLOC, "CODVET_FAIL_ALLOC_NTH=1"};
  EXPECT_EQ(RunCodvet({}, options).status, 4);
}
#endif

}  // namespace
}  // namespace codvet
