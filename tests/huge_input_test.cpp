// An input larger than 4 GiB with a problem beyond 2^32 bytes: its offset is
// printed exactly. Each run reads more than 4 GiB, so this runs only when
// CODVET_LONG_TESTS=1 (CI sets it), on POSIX systems.
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "gtest/gtest.h"
#include "run_process.h"

namespace codvet {
namespace {

// Zeros with one problem placed at an offset beyond 2^32 (even, for the UTF-16
// byte orders) must give the line the problem gives at offset 6 of a small
// file, with only the offset changed.
TEST(HugeInput, SparseFileWithAProblemBeyondFourGiB) {
  const char* setting = std::getenv("CODVET_LONG_TESTS");
  if (setting == nullptr || std::string(setting) != "1" || UnderValgrind())
    GTEST_SKIP() << "set CODVET_LONG_TESTS=1";
  const long long kFar = (1LL << 32) + 6;
  TempDir dir;
  std::string huge = dir.path() + "/huge";
  int fd = open(huge.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, kFar + 64), 0);
  const std::pair<const char*, std::string> cases[] = {
      {"shift_jis", "\x80"},    {"windows-31j", "\xf0\x40"},
      {"euc-jp", "\xa9\xa1"},   {"iso-2022-jp", "\x1b(I"},
      {"utf8", "\xed\xa0\x80"}, {"utf16", "\xfe\xff"},
      {"utf16be", "\xff\xfe"},  {"utf16le", std::string("\x00\xdc", 2)},
  };
  for (const auto& [encoding, problem] : cases) {
    std::string bytes = problem;
    bytes.resize(4, '\0');  // clears what the previous problem left
    ASSERT_EQ(pwrite(fd, bytes.data(), bytes.size(), kFar), 4);
    ProcessOptions options;
    options.args = {encoding, dir.Write("small", std::string(6, '\0') + bytes)};
    std::string expected = RunProcess(CODVET_BINARY, options).out;
    std::size_t at = expected.find("\" (6): ");
    ASSERT_NE(at, std::string::npos) << expected;
    expected.replace(0, at + 5, "\"" + huge + "\" (" + std::to_string(kFar) + ")");
    options.args = {encoding, huge};
    ProcessResult r = RunProcess(CODVET_BINARY, options);
    EXPECT_EQ(r.out, expected) << encoding;
    EXPECT_EQ(r.status, 2) << encoding;
  }
  close(fd);
}

}  // namespace
}  // namespace codvet

#endif  // _WIN32
