#include "validators/byte_input.h"

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "gtest/gtest.h"

namespace codvet {
namespace {

// Everything left in `input`, refill by refill.
std::string ReadAll(ByteInput& input) {
  std::string bytes;
  for (input.Ensure(1); input.next() != input.limit(); input.Ensure(1))
    bytes.append(input.next(), input.limit()), input.Skip(input.limit());
  return bytes;
}

// A pipe written in pieces from another thread; on POSIX its end is
// non-blocking, as an inherited descriptor may be, so that the reader finds
// it empty at times and must wait rather than fail.
TEST(ByteInput, DescriptorAcrossManyRefills) {
  int fds[2];
#ifdef _WIN32
  ASSERT_EQ(_pipe(fds, 1 << 16, _O_BINARY), 0);
#else
  ASSERT_EQ(pipe(fds), 0);
#endif
#ifndef _WIN32
  fcntl(fds[0], F_SETFL, O_NONBLOCK);
#endif
  std::string data;
  for (int i = 0; i < 3000; ++i) data.push_back(static_cast<char>(i * 7));
  std::thread writer([&] {
    for (std::size_t at = 0; at < data.size(); at += 1000) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      EXPECT_EQ(write(fds[1], data.data() + at, 1000), 1000);
    }
    close(fds[1]);
  });
  ByteInput input(7);
  input.Open(fds[0]);
  EXPECT_EQ(ReadAll(input), data);
  EXPECT_FALSE(input.failed());
  writer.join();
  close(fds[0]);
}

TEST(ByteInput, ReadErrorIsNotTheEnd) {
#ifdef _WIN32
  // Windows opens no directory as a file; a descriptor open only for writing
  // cannot be read either.
  int fd = open("NUL", O_WRONLY);
  const int kExpected = EBADF;
#else
  int fd = open("/", O_RDONLY);
  const int kExpected = EISDIR;
#endif
  ASSERT_GE(fd, 0);
  ByteInput input(16);
  input.Open(fd);
  // A failed read stays failed: every later read ends too.
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(ReadAll(input), "");
    EXPECT_TRUE(input.failed());
    EXPECT_EQ(input.errorNumber(), kExpected);
  }
  close(fd);
  // A new input starts clean.
  input.OpenMemory(reinterpret_cast<const std::uint8_t*>("a"), 1, 1);
  EXPECT_FALSE(input.failed());
  EXPECT_EQ(ReadAll(input), "a");
}

// Stop() right after a character carried across a refill: the bytes
// already read stay readable, and no more are read.
TEST(ByteInput, StopRightAfterACarriedCharacter) {
  int calls = 0;
  ByteInput input(16);
  input.OpenReader(
      [](void* calls, std::uint8_t* buffer, std::size_t) -> std::ptrdiff_t {
        static const std::string_view kPieces[] = {"ab\xe3",
                                                   "\x81\x82"
                                                   "cd",
                                                   "ef", ""};
        std::string_view piece = kPieces[std::min((*static_cast<int*>(calls))++, 3)];
        return std::copy(piece.begin(), piece.end(), buffer) - buffer;
      },
      &calls);
  input.Ensure(3);
  input.Skip(input.next() + 2);
  input.Ensure(3);
  input.Stop();
  EXPECT_EQ(ReadAll(input),
            "\xe3\x81\x82"
            "cd");
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace codvet
