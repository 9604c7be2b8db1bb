// Inputs larger than 4 GiB, with a problem placed beyond 2^32 bytes: the
// offset is printed exactly. Each run reads more than 4 GiB, so these run
// only when CODVET_LONG_TESTS=1 (CI sets it), on POSIX systems.
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "gtest/gtest.h"
#include "report/messages.h"
#include "run_process.h"
#include "validator_test_util.h"

namespace codvet {
namespace {

constexpr long long kProblemOffset = (1LL << 32) + 6;  // even, for the UTF-16 orders

bool LongTestsEnabled() {
  const char* setting = std::getenv("CODVET_LONG_TESTS");
  return setting != nullptr && std::string(setting) == "1" && !UnderValgrind();
}

struct HugeCase {
  const char* encoding;
  std::string problem;  // written at kProblemOffset; zeros everywhere else
  std::string_view message;
  std::int64_t value;
};

TEST(HugeInput, SparseFileWithAProblemBeyondFourGiB) {
  if (!LongTestsEnabled()) GTEST_SKIP() << "set CODVET_LONG_TESTS=1";
  const HugeCase cases[] = {
      {"shift_jis", "\x80", MsgInvalidCharacter, 0x80},
      {"windows-31j", "\xf0\x40", MsgInvalidCharacter, 0xf040},
      {"euc-jp", "\xa9\xa1", MsgInvalidCharacter, 0xa9a1},
      {"iso-2022-jp", "\x1b(I", MsgInvalidEscape, 0x1b2849},
      {"utf8", "\xed\xa0\x80", MsgSurrogateInUtf8, 0xeda080},
      {"utf16", "\xfe\xff", MsgFffeMustNotAppear, 0xfffe},
      {"utf16be", "\xff\xfe", MsgFffeMustNotAppear, 0xfffe},
      {"utf16le", std::string("\x00\xdc", 2), MsgLoneTrailSurrogate, 0xdc00},
  };
  TempDir dir;
  std::string path = dir.path() + "/huge.bin";
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, kProblemOffset + 64), 0);
  for (const HugeCase& c : cases) {
    std::string bytes = c.problem;
    bytes.resize(4, '\0');  // clears what the previous case wrote
    ASSERT_EQ(pwrite(fd, bytes.data(), bytes.size(), kProblemOffset), 4);
    ProcessOptions options;
    options.args = {c.encoding, path};
    ProcessResult r = RunProcess(CODVET_BINARY, options);
    EXPECT_EQ(r.out, ReportText(path, kProblemOffset, c.message, c.value)) << c.encoding;
    EXPECT_EQ(r.status, 2) << c.encoding;
  }
  close(fd);
}

TEST(HugeInput, PipeOfMoreThanFourGiB) {
  if (!LongTestsEnabled()) GTEST_SKIP() << "set CODVET_LONG_TESTS=1";
  ProcessOptions options;
  options.args = {"-c",
                  "{ head -c " + std::to_string(kProblemOffset) +
                      " /dev/zero; printf '\\200ok'; } | \"$0\" shift_jis",
                  CODVET_BINARY};
  ProcessResult r = RunProcess("/bin/sh", options);
  EXPECT_EQ(r.out, ReportText("(STDIN)", kProblemOffset, MsgInvalidCharacter, 0x80));
  EXPECT_EQ(r.status, 2);
}

}  // namespace
}  // namespace codvet

#endif  // _WIN32
