// What the Windows platform layer does that no other test shows: it opens
// files with sharing allowed.
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "gtest/gtest.h"
#include "platform/platform.h"
#include "run_process.h"

namespace codvet {
namespace {

TEST(PlatformWin32, FileOpenForWritingElsewhereIsRead) {
  TempDir dir;
  std::string path = dir.Write("log.txt", "ab\x80");
  HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  int fd = platform::OpenForReading(path.c_str());
  ASSERT_GE(fd, 0) << std::strerror(errno);
  char bytes[8];
  EXPECT_EQ(platform::ReadSome(fd, bytes, sizeof bytes), 3);
  EXPECT_EQ(std::string(bytes, 3), "ab\x80");
  platform::CloseInput(fd);
  CloseHandle(writer);
}

}  // namespace
}  // namespace codvet
