#include "validators/byte_input.h"

#include <algorithm>
#include <cerrno>
#include <new>

#include "platform/platform.h"
#include "codeset/code_set.h"

namespace codvet {

ByteInput::ByteInput(std::size_t capacity)
    : buffer_(new (std::nothrow) std::uint8_t[capacity]), capacity_(capacity) {
  if (!buffer_) ExitOutOfMemory();
}

void ByteInput::Open(int fd) {
  fd_ = fd;
  memory_ = memoryEnd_ = nullptr;
  next_ = limit_ = buffer_.get();
  errorNumber_ = 0;
}

void ByteInput::OpenMemory(const std::uint8_t* data, std::size_t size, std::size_t chunk) {
  fd_ = -1;
  memory_ = data;
  memoryEnd_ = data + size;
  chunk_ = std::max<std::size_t>(chunk, 1);
  next_ = limit_ = data;
  errorNumber_ = 0;
}

bool ByteInput::Refill() {
  if (errorNumber_ != 0) return false;
  if (fd_ < 0) {
    if (memory_ == memoryEnd_) return false;
    std::size_t n = std::min(chunk_, static_cast<std::size_t>(memoryEnd_ - memory_));
    next_ = memory_;
    limit_ = memory_ + n;
    memory_ += n;
    return true;
  }
  std::ptrdiff_t got = platform::ReadSome(fd_, buffer_.get(), capacity_);
  next_ = limit_ = buffer_.get();
  if (got <= 0) {
    // A read error ends the input like its end does; failed() tells them apart.
    if (got < 0) errorNumber_ = errno != 0 ? errno : EIO;
    fd_ = -1;  // never read past the end (a terminal would wait for more)
    return false;
  }
  limit_ += got;
  return true;
}

}  // namespace codvet
