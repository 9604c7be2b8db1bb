// End-to-end tests: the built program run with real files, pipes, closed or
// full streams and inputs beyond 4 GiB; standard output, standard error and
// the exit status are compared exactly.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "codvet/codvet.h"
#include "gtest/gtest.h"
#include "report/messages.h"
#include "run_process.h"
#include "validator_test_util.h"

namespace codvet {
namespace {

ProcessResult RunCodvet(std::vector<std::string> args, ProcessOptions options = {}) {
  options.args = std::move(args);
  return RunProcess(CODVET_BINARY, options);
}

// A directory of small files that the program is run in.
class Cli : public ::testing::Test {
 protected:
  TempDir dir;
  Cli() {
    dir.Write("valid.txt", "ASCII only.\n");  // valid in every encoding
    dir.Write("invalid.txt",
              "a\x80"
              "b\xed\xa0\x80");
    dir.Write("cut.txt", "ab\x82");
    dir.Write("bad.txt", "abc\x7f");
    dir.Write("crlf.txt", "a\r\n\x1a\r\x80");
    dir.Write(kOdd, "\x80");
  }
  ProcessResult Run(std::vector<std::string> args, ProcessOptions options = {}) {
    options.directory = dir.path();
    return RunCodvet(std::move(args), options);
  }
  const std::string kInvalid = ReportText("invalid.txt", 1, Msg::InvalidSecondByte, 0x62) +
                               ReportText("invalid.txt", 3, Msg::SurrogateInUtf8, 0xeda080);
  const std::string kMissing = "missing: No such file or directory\n";
  const std::string kOdd = "a \"q\"\n\x82\xa0\xff.txt";  // printed unaltered
};

TEST_F(Cli, ArgumentsAndFiles) {
  struct Case {
    std::vector<std::string> args;
    std::string out, err;
    int status;
    bool merge = false;  // standard error into standard output
  } cases[] = {
      {{},
       "codvet: Brimolet Ver 0.1\n"
       "usage for pure SJIS:   codvet shift_jis [FILE_NAME]\n"
       "usage for MS CP932:    codvet windows-31j [FILE_NAME]\n"
       "usage for EUC-JP:      codvet euc-jp [FILE_NAME]\n"
       "usage for ISO-2022-JP: codvet iso-2022-jp [FILE_NAME]\n"
       "usage for UTF-8:       codvet utf8 [FILE_NAME]\n"
       "usage for UTF-16:      codvet utf16 [FILE_NAME]\n"
       "usage for UTF-16BE:    codvet utf16be [FILE_NAME]\n"
       "usage for UTF-16LE:    codvet utf16le [FILE_NAME]\n",
       "",
       4},
      // Line ends and the DOS end-of-file byte are ordinary bytes.
      {{"utf8", "crlf.txt"}, ReportText("crlf.txt", 5, Msg::IncompleteCharacterUtf8, 0x80), "", 2},
      {{"utf8", kOdd}, ReportText(kOdd, 0, Msg::IncompleteCharacterUtf8, 0x80), "", 2},
      // Names ignore case and nothing else.
      {{"Utf16LE", "valid.txt"}, "", "", 0},
      {{"ISO-2022-jp", "valid.txt"}, "", "", 0},
      {{"latin1"}, "", "codvet: Unkwon Encoding Name: latin1", 2},
      {{"utf8 ", "valid.txt"}, "", "codvet: Unkwon Encoding Name: utf8 ", 2},
      {{"", "valid.txt"}, "", "codvet: Unkwon Encoding Name: ", 2},
      // A file is opened before the name is looked up.
      {{"utf-8", "missing"}, "", kMissing, 4},
      {{"utf8", "valid.txt", "invalid.txt"}, kInvalid, "", 2},
      {{"utf8", "invalid.txt", "invalid.txt"}, kInvalid + kInvalid, "", 2},
      // Earlier reports stay, before the error; later files are not read.
      {{"utf8", "invalid.txt", "missing", "cut.txt"}, kInvalid + kMissing, "", 4, true},
      {{"shift_jis", "cut.txt", "cut.txt", "bad.txt"},
       ReportText("cut.txt", 2, Msg::AloneLeadByteSjis, 0x82) +
           ReportText("cut.txt", 2, Msg::AloneLeadByteSjis, 0x82) +
           ReportText("bad.txt", 3, Msg::InvalidCharacter, 0x7f),
       "",
       2},
      {{"utf8", ""}, "", "No such file or directory\n", 4},
      {{"utf8", "valid.txt", "."}, "", ".: Is a directory\n", 4},
  };
  for (const Case& c : cases) {
    ProcessOptions options;
    options.mergeStderr = c.merge;
    ProcessResult r = Run(c.args, options);
    EXPECT_EQ(std::tie(r.out, r.err, r.status), std::tie(c.out, c.err, c.status))
        << testing::PrintToString(c.args);
  }
}

// Standard input is named (STDIN) and read as raw bytes. With it closed, a
// file opens as descriptor 0 and is read as any other.
TEST_F(Cli, StandardInput) {
  const std::string kCrLf = "a\r\n\x1a\r\x80";
  struct Case {
    StdinMode mode;
    std::string data;
    std::string out, err;
    int status;
    const char* file = nullptr;
  } cases[] = {
      {StdinMode::Empty, "", "", "", 0},
      {StdinMode::Pipe, "ok\xc3", ReportText("(STDIN)", 2, Msg::IncompleteCharacterUtf8, 0xc3), "",
       2},
      {StdinMode::Data, kCrLf, ReportText("(STDIN)", 5, Msg::IncompleteCharacterUtf8, 0x80), "", 2},
      {StdinMode::Closed, "", "", "(STDIN): Bad file descriptor\n", 4},
      {StdinMode::Closed, "", kInvalid, "", 2, "invalid.txt"},
  };
  for (const Case& c : cases) {
    ProcessOptions options;
    options.stdinMode = c.mode;
    options.stdinData = c.data;
    ProcessResult r = Run(c.file ? std::vector<std::string>{"utf8", c.file}
                                 : std::vector<std::string>{"utf8"},
                          options);
    EXPECT_EQ(std::tie(r.out, r.err, r.status), std::tie(c.out, c.err, c.status)) << c.data;
  }
}

// A closed or full standard output, or a reader that leaves early, does not
// stop validation: the status comes from the whole input, here from a problem
// at the very end of many.
TEST_F(Cli, ClosedOrFullStandardOutput) {
  dir.Write("many.txt", std::string(1 << 20, '\x80') + "ok");
  struct Case {
    StdoutMode mode;
    const char* file;
    std::string out;
    int status;
  } cases[] = {
      {StdoutMode::PipeClosedEarly, "many.txt", "\"many.txt\"", 2},
      {StdoutMode::Closed, "many.txt", "", 2},
      {StdoutMode::Closed, "valid.txt", "", 0},
      {StdoutMode::DevFull, "many.txt", "", 2},
      {StdoutMode::DevFull, "valid.txt", "", 0},
  };
  for (const Case& c : cases) {
    ProcessOptions options;
    options.stdoutMode = c.mode;
    options.keepBytes = 10;
    ProcessResult r = Run({"shift_jis", c.file}, options);
    EXPECT_EQ(std::tie(r.out, r.err, r.status), std::make_tuple(c.out, "", c.status)) << c.file;
  }
}

// Every sample gives the output kept beside it (empty for the valid ones),
// run from the project's top directory as the README shows.
TEST(Samples, GiveTheirDocumentedOutput) {
  int samples = 0;
  for (std::string encoding : kTestEncodings) {
    for (std::string kind : {"-valid", "-invalid"}) {
      std::string name = encoding + kind;
      if (ReadFile(std::string(CODVET_SOURCE_DIR) + "/samples/" + name + ".txt").empty()) continue;
      ++samples;
      std::string expected =
          ReadFile(std::string(CODVET_SOURCE_DIR) + "/samples/expected/" + name + ".out");
      ProcessOptions options;
      options.directory = CODVET_SOURCE_DIR;
      ProcessResult r = RunCodvet({encoding, "samples/" + name + ".txt"}, options);
      EXPECT_EQ(std::tie(r.out, r.err, r.status),
                std::make_tuple(expected, "", expected.empty() ? 0 : 2))
          << name;
    }
  }
  EXPECT_EQ(samples, 14);  // utf16be and utf16le have no invalid sample
}

// A named pipe is opened and read like a file.
TEST_F(Cli, FifoArgument) {
  std::string fifo = dir.path() + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << "ok\x80"; });
  ProcessResult r = Run({"shift_jis", "fifo"});
  writer.join();
  EXPECT_EQ(std::tie(r.out, r.status),
            std::make_tuple(ReportText("fifo", 2, Msg::InvalidCharacter, 0x80), 2));
}

// Each file is closed before the next is opened: thousands of arguments
// pass under a limit of a few dozen descriptors.
TEST_F(Cli, ThousandsOfFilesWithFewDescriptors) {
  std::vector<std::string> args = {"euc-jp"};
  args.insert(args.end(), 3000, "valid.txt");
  dir.Write("last.txt", "\xa9\xa1");
  args.push_back("last.txt");
  ProcessOptions options;
  options.maxOpenFiles = 32;
  ProcessResult r = Run(args, options);
  EXPECT_EQ(std::tie(r.out, r.err, r.status),
            std::make_tuple(ReportText("last.txt", 0, Msg::InvalidCharacter, 0xa9a1), "", 2));
}

// Zeros with one problem placed just beyond 2^31 and the same problem again
// just beyond 2^32 (offsets that need more than a signed and more than an
// unsigned 32-bit number; even, for the UTF-16 byte orders). Each run reads
// more than 4 GiB, so these run only when CODVET_LONG_TESTS=1 (CI sets it);
// on a 32-bit build they are what shows that files of 2 GiB and more open.
class HugeInput : public ::testing::Test {
 protected:
  static constexpr off_t kNear = (off_t{1} << 31) + 6;
  static constexpr off_t kFar = (off_t{1} << 32) + 6;
  TempDir dir;
  std::string huge = dir.path() + "/huge";
  int fd = -1;

  void SetUp() override {
    const char* setting = std::getenv("CODVET_LONG_TESTS");
    if (setting == nullptr || std::string(setting) != "1" || UnderValgrind())
      GTEST_SKIP() << "set CODVET_LONG_TESTS=1";
    fd = open(huge.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, kFar + 64), 0);
  }
  void TearDown() override {
    if (fd >= 0) close(fd);
  }
  // Writes `problem`, padded with zeros to four bytes (which clears what a
  // previous problem left), at both offsets.
  void Place(std::string problem) {
    problem.resize(4, '\0');
    for (off_t at : {kNear, kFar}) ASSERT_EQ(pwrite(fd, problem.data(), 4, at), 4);
  }
};
static_assert(sizeof(off_t) == 8, "files beyond 4 GiB need a 64-bit off_t");

// The program's lines for the huge file are those it gives for the same
// problems at offsets 6 and 16 of a small file, with only the name and the
// offsets changed.
TEST_F(HugeInput, ProgramReportsOffsetsBeyondTwoAndFourGiB) {
  const std::pair<const char*, std::string> cases[] = {
      {"shift_jis", "\x80"},    {"windows-31j", "\xf0\x40"},
      {"euc-jp", "\xa9\xa1"},   {"iso-2022-jp", "\x1b(I"},
      {"utf8", "\xed\xa0\x80"}, {"utf16", "\xfe\xff"},
      {"utf16be", "\xff\xfe"},  {"utf16le", std::string("\x00\xdc", 2)},
  };
  for (const auto& [encoding, problem] : cases) {
    ASSERT_NO_FATAL_FAILURE(Place(problem));
    std::string bytes = problem;
    bytes.resize(4, '\0');
    std::string small =
        dir.Write("small", std::string(6, '\0') + bytes + std::string(6, '\0') + bytes);
    ProcessOptions options;
    options.args = {encoding, small};
    std::string lines = RunProcess(CODVET_BINARY, options).out;
    std::string expected;
    for (const auto& [from, to] : {std::pair<off_t, off_t>{6, kNear}, {16, kFar}}) {
      std::string prefix = "\"" + small + "\" (" + std::to_string(from) + "): ";
      std::size_t at = lines.find(prefix);
      ASSERT_NE(at, std::string::npos) << encoding << ": " << lines;
      std::size_t lineEnd = lines.find('\n', at);
      expected += "\"" + huge + "\" (" + std::to_string(to) +
                  "): " + lines.substr(at + prefix.size(), lineEnd + 1 - at - prefix.size());
    }
    options.args = {encoding, huge};
    ProcessResult r = RunProcess(CODVET_BINARY, options);
    EXPECT_EQ(std::tie(r.out, r.err, r.status), std::make_tuple(expected, "", 2)) << encoding;
  }
}

// The library opens and reads the file itself (Validator::ValidateFile).
TEST_F(HugeInput, LibraryReportsOffsetsBeyondTwoAndFourGiB) {
  ASSERT_NO_FATAL_FAILURE(Place("\x80"));
  Validator validator("shift_jis");
  validator.SetOptions({true, false});  // one line of single-byte characters
  std::vector<Problem> problems;
  Status status = validator.ValidateFile(huge.c_str(), [&](const Problem& problem) {
    problems.push_back(problem);
    return true;
  });
  EXPECT_EQ(status, Status::Invalid) << validator.errorNumber();
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(
      std::make_tuple(problems[0].offset, problems[0].value, problems[1].offset, problems[1].value),
      std::make_tuple(kNear, 0x80u, kFar, 0x80u));
  EXPECT_EQ(std::make_tuple(problems[0].line, problems[0].column, problems[1].column),
            std::make_tuple(1, kNear + 1, kFar + 1));
}

#ifdef CODVET_FAIL_ALLOC
TEST_F(Cli, MemoryOverWhenACodeSetCannotBeAllocated) {
  // valgrind replaces the allocator the preloaded library would wrap.
  if (UnderValgrind()) GTEST_SKIP() << "not under valgrind";
  for (const char* nth : {"1", "2"}) {
    ProcessOptions options;
    options.env = {std::string("LD_PRELOAD=") + CODVET_FAIL_ALLOC,
                   std::string("CODVET_FAIL_ALLOC_NTH=") + nth};
    ProcessResult r = Run({"utf8", "invalid.txt"}, options);
    EXPECT_EQ(std::tie(r.out, r.err, r.status), std::make_tuple("", "Memory Over", 6)) << nth;
    // Without an encoding name no code set is built.
    EXPECT_EQ(RunCodvet({}, options).status, 4);
  }
}
#endif

}  // namespace
}  // namespace codvet
