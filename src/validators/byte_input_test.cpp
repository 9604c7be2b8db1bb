#include "validators/byte_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "gtest/gtest.h"

namespace codvet {
namespace {

std::string ReadAll(ByteInput& input) {
  std::string bytes;
  for (int b; (b = input.ReadByte()) != ByteInput::kEnd;) bytes.push_back(static_cast<char>(b));
  return bytes;
}

TEST(ByteInput, MemoryInAnyChunkSize) {
  std::string data = "\x00\x01\x7f\x80\xff"
                     "abc";
  data.push_back('\0');
  for (std::size_t chunk : {1, 2, 3, 100}) {
    ByteInput input(4);
    input.OpenMemory(reinterpret_cast<const std::uint8_t*>(data.data()), data.size(), chunk);
    EXPECT_EQ(ReadAll(input), data) << chunk;
    EXPECT_EQ(input.ReadByte(), ByteInput::kEnd);
    EXPECT_FALSE(input.failed());
  }
}

TEST(ByteInput, DescriptorAcrossManyRefills) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::string data;
  for (int i = 0; i < 3000; ++i) data.push_back(static_cast<char>(i * 7));
  ASSERT_EQ(write(fds[1], data.data(), data.size()), static_cast<ssize_t>(data.size()));
  close(fds[1]);
  ByteInput input(7);
  input.Open(fds[0]);
  EXPECT_EQ(ReadAll(input), data);
  EXPECT_FALSE(input.failed());
  close(fds[0]);
}

TEST(ByteInput, ReadErrorIsNotTheEnd) {
  int fd = open("/", O_RDONLY);
  ASSERT_GE(fd, 0);
  ByteInput input(16);
  input.Open(fd);
  EXPECT_EQ(input.ReadByte(), ByteInput::kEnd);
  EXPECT_TRUE(input.failed());
  EXPECT_EQ(input.errorNumber(), EISDIR);
  close(fd);
  // A new input starts clean.
  input.OpenMemory(reinterpret_cast<const std::uint8_t*>("a"), 1, 1);
  EXPECT_FALSE(input.failed());
  EXPECT_EQ(input.ReadByte(), 'a');
}

}  // namespace
}  // namespace codvet
