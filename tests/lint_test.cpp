// End-to-end tests of codvet-lint: the built program on a tree of real files
// and on pipes; standard output, standard error and the status compared
// exactly.
#include <sys/stat.h>

#include <string>
#include <tuple>
#include <vector>

#include "gtest/gtest.h"
#include "run_process.h"

namespace codvet {
namespace {

class Lint : public ::testing::Test {
 protected:
  TempDir dir;
  Lint() {
    for (const char* sub : {"/t", "/t/.git", "/t/sub", "/t/sub/.svn", "/many", "/order"}) {
      std::filesystem::create_directory(dir.path() + sub);
    }
    dir.Write("t/a.txt", "ok\n");
    dir.Write("t/sub/b.txt", "a\nb\x80\n");
    dir.Write("t/.git/x.txt", "\x80");
    dir.Write("t/sub/.svn/x.txt", "\x80");
    dir.Write("t/c.dat", "\x80\x80\x80");
    dir.Write("t/B.txt", "\xe8\xad\x80");  // a pair, then 0x80
    dir.Write("odd", "");
    dir.Write("q\"%,:\x82.txt", "x\x80");
    // 議, then a surrogate, beyond U+10FFFF, a lone 0x80 and a cut 議.
    dir.Write(kJsonName, "x\x80");
    // Neither is walked: the link would repeat sub/, the pipe never ends.
    std::filesystem::create_directory_symlink("sub", dir.path() + "/t/loop");
    mkfifo((dir.path() + "/t/fifo").c_str(), 0600);
  }
  ProcessResult Run(std::vector<std::string> args, ProcessOptions options = {}) {
    options.args = std::move(args);
    options.directory = dir.path();
    return RunProcess(CODVET_LINT_BINARY, options);
  }
  const std::string kJsonName = "\"\\\x01\xe8\xad\xb0\xed\xa0\x80\xf4\x90\x80\x80\x80\xe8\xad";
};

TEST_F(Lint, TreesFormatsAndStatus) {
  const std::string kB = "t/sub/b.txt:2:2: Invalid Character (0x80) [MsgInvalidCharacter]\n";
  const std::string kBHint = "t/sub/b.txt: valid in none of the eight encodings\n";
  const std::string kC = "t/c.dat:1:1: Invalid Character (0x80) [MsgInvalidCharacter]\n";
  const std::string kUsage = "Try 'codvet-lint --help' for more information.\n";
  struct Case {
    std::vector<std::string> args;
    std::string out, err;
    int status;
  } cases[] = {
      // Byte order (B before a); version control directories, links to
      // directories and pipes skipped.
      {{"-e", "SJIS", "t"},
       "t/B.txt:1:2: Invalid Character (0x80) [MsgInvalidCharacter]\n"
       "t/B.txt: valid as utf8\n" +
           kC +
           "t/c.dat:1:2: Invalid Character (0x80) [MsgInvalidCharacter]\n"
           "t/c.dat:1:3: Invalid Character (0x80) [MsgInvalidCharacter]\n"
           "t/c.dat: valid in none of the eight encodings\n" +
           kB + kBHint,
       "codvet-lint: 4 files checked, 3 invalid, 0 unreadable, 5 problems\n",
       1},
      {{"--encoding=utf-8", "--include", "*.txt", "--exclude", "sub", "t/"},
       "",
       "codvet-lint: 2 files checked, 0 invalid, 0 unreadable, 0 problems\n",
       0},
      {{"-e", "Shift-JIS", "--include", "t/sub/*", "--no-hint", "--lang", "ja", "t"},
       "t/sub/b.txt:2:2: 適合しない文字です。 (0x80) [MsgInvalidCharacter]\n",
       "codvet-lint: 1 file checked, 1 invalid, 0 unreadable, 1 problem\n",
       1},
      {{"-ecp932", "--max-problems", "2", "-q", "t/c.dat", "t/a.txt"}, "", "", 1},
      {{"-e", "cp932", "--max-problems=2", "--no-hint", "t/c.dat"},
       kC + "t/c.dat:1:2: Invalid Character (0x80) [MsgInvalidCharacter]\n",
       "codvet-lint: 1 file checked, 1 invalid, 0 unreadable, 2 problems\n",
       1},
      // Strict rules: eight bits are out of ISO-2022-JP.
      {{"-e", "jis", "--strict", "--no-hint", "t/a.txt", "t/sub"},
       "t/sub/b.txt:2:2: 8bit code in 7bit code (0x80) [MsgEightBitInIso2022Jp]\n",
       "codvet-lint: 2 files checked, 1 invalid, 0 unreadable, 1 problem\n",
       1},
      // A file name escaped as each format needs it.
      {{"-e", "utf8", "--format", "json", "--lang", "both", kJsonName},
       R"({"path":"\"\\\u0001議\udced\udca0\udc80\udcf4\udc90\udc80\udc80\udc80\udce8\udcad",)"
       R"("offset":1,"line":1,"column":2,"identifier":"MsgIncompleteCharacterUtf8",)"
       R"("english":"Incomplete Character in EOF","japanese":"ファイルの最後に完了していない文字があります",)"
       R"("value":"0x80"})"
       "\n",
       "codvet-lint: 1 file checked, 1 invalid, 0 unreadable, 1 problem\n",
       1},
      {{"-e", "utf8", "--format=github", "q\"%,:\x82.txt"},
       "::error file=q\"%25%2C%3A\x82.txt,line=1,col=2::Incomplete Character in EOF (0x80) "
       "[MsgIncompleteCharacterUtf8]\n"
       "::notice file=q\"%25%2C%3A\x82.txt::valid as utf16, utf16be, utf16le\n",
       "codvet-lint: 1 file checked, 1 invalid, 0 unreadable, 1 problem\n",
       1},
      // An unreadable input is reported in its place and the run goes on.
      {{"-e", "euc-jp", "missing", "t/sub/b.txt", "--no-hint"},
       "t/sub/b.txt:2:2: Invalid Character (0x800a) [MsgInvalidCharacter]\n",
       "codvet-lint: missing: No such file or directory\ncodvet-lint: 1 file checked, 1 invalid, 1 unreadable, 1 problem\n",
       2},
      {{"-e", "latin1", "t"},
       "",
       "codvet-lint: unknown encoding 'latin1' (known: shift_jis, windows-31j, euc-jp, iso-2022-jp, utf8, utf16, "
       "utf16be, utf16le)\n" +
           kUsage,
       2},
      {{"-e", "utf16-le", "t"},
       "",
       "codvet-lint: unknown encoding 'utf16-le' (did you mean utf16le?)\n" + kUsage,
       2},
      {{"t"}, "", "codvet-lint: no encoding given (-e ENCODING)\n" + kUsage, 2},
      {{"-e", "utf8"}, "", "codvet-lint: no file or directory given\n" + kUsage, 2},
      {{"-e", "utf8", "--jobs", "0", "t"},
       "",
       "codvet-lint: --jobs needs a number from 1 to 1024, not '0'\n" + kUsage,
       2},
      {{"-e", "utf8", "--format", "xml", "t"},
       "",
       "codvet-lint: unknown format 'xml' (text, json or github)\n" + kUsage,
       2},
      {{"-e", "utf8", "--quiet=1", "t"},
       "",
       "codvet-lint: option --quiet takes no value\n" + kUsage,
       2},
      {{"-x", "t"}, "", "codvet-lint: unknown option -x\n" + kUsage, 2},
      {{"--version", "-e", "bad"}, "codvet-lint 0.1.0\n", "", 0},
  };
  for (const Case& c : cases) {
    ProcessResult r = Run(c.args);
    EXPECT_EQ(std::tie(r.out, r.err, r.status), std::tie(c.out, c.err, c.status))
        << testing::PrintToString(c.args);
  }
}

TEST_F(Lint, StandardStreamsAndHelp) {
  ProcessOptions options;
  options.stdinMode = StdinMode::Pipe;
  options.stdinData = "a\r\n\xa4";
  ProcessResult r = Run({"-e", "EUCJP", "-", "odd"}, options);
  EXPECT_EQ(r.out,
            "<stdin>:2:1: Alone JIS X 0208 pair in EOF (0xa4) [MsgAloneJisX0208Pair]\n"
            "<stdin>: valid as shift_jis, windows-31j, utf16, utf16be, utf16le\n");
  EXPECT_EQ(
      std::tie(r.err, r.status),
      std::make_tuple("codvet-lint: 2 files checked, 1 invalid, 0 unreadable, 1 problem\n", 1));
  r = Run({"-e", "EUCJP", "--no-hint", "-"}, options);  // read once, not kept
  EXPECT_EQ(r.out, "<stdin>:2:1: Alone JIS X 0208 pair in EOF (0xa4) [MsgAloneJisX0208Pair]\n");
  // A full disk ends the run: the rest could not be reported either.
  options = {};
  options.stdoutMode = StdoutMode::DevFull;
  r = Run({"-e", "utf8", "-j2", "t", "t"}, options);
  EXPECT_EQ(
      std::tie(r.err, r.status),
      std::make_tuple(std::string("codvet-lint: standard output: No space left on device\n"), 2));
  r = Run({"--help"});
  EXPECT_EQ(r.out.rfind("Usage: codvet-lint -e ENCODING [OPTION]... PATH...\n", 0), 0u);
  EXPECT_EQ(std::tie(r.err, r.status), std::make_tuple(std::string(), 0));
}

// Names that share their first eight bytes, shorter ones, bytes above 0x7F.
TEST_F(Lint, WalksInByteOrder) {
  for (const char* name : {"abcdefgh2", "\xe3\x81\x82", "abcdefgh10", "abcdefg", "Z", "abcdefgh1",
                           "abcdefgh", "abcdefg\xff"}) {
    dir.Write(std::string("order/") + name, "\x80");
  }
  ProcessResult r = Run({"-e", "utf8", "--no-hint", "--format", "github", "order"});
  std::string want;
  for (const char* name : {"Z", "abcdefg", "abcdefgh", "abcdefgh1", "abcdefgh10", "abcdefgh2",
                           "abcdefg\xff", "\xe3\x81\x82"}) {
    want += std::string("::error file=order/") + name +
            ",line=1,col=1::Incomplete Character in EOF (0x80) [MsgIncompleteCharacterUtf8]\n";
  }
  EXPECT_EQ(r.out, want);
}

// Files finish out of order on several threads; the output keeps the order.
TEST_F(Lint, SameOutputForAnyNumberOfJobs) {
  for (int i = 0; i < 200; ++i) {
    // Long and short files in turn, so that later ones finish first.
    dir.Write("many/" + std::to_string(1000 + i), std::string(i % 2 ? 100 : 200000, 'a') + "\x80");
  }
  ProcessResult one = Run({"-e", "utf8", "--jobs", "1", "many"});
  EXPECT_EQ(one.out.rfind(
                "many/1000:1:200001: Incomplete Character in EOF (0x80) "
                "[MsgIncompleteCharacterUtf8]\nmany/1000: valid in none of the eight encodings\n"
                "many/1001:1:101:",
                0),
            0u);
  EXPECT_EQ(std::tie(one.err, one.status),
            std::make_tuple(
                "codvet-lint: 200 files checked, 200 invalid, 0 unreadable, 200 problems\n", 1));
  for (const char* jobs : {"2", "4", "7"}) {
    ProcessResult many = Run({"-e", "utf8", "--format", "json", "-j", jobs, "many", "many"});
    ProcessResult single = Run({"-e", "utf8", "--format", "json", "-j1", "many", "many"});
    EXPECT_EQ(std::tie(many.out, many.err, many.status),
              std::tie(single.out, single.err, single.status))
        << jobs;
  }
}

}  // namespace
}  // namespace codvet
