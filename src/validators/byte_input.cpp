#include "validators/byte_input.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

#include "platform/platform.h"

namespace codvet {

namespace {

std::ptrdiff_t ReadDescriptor(void* context, std::uint8_t* buffer, std::size_t size) {
  std::ptrdiff_t got = platform::ReadSome(*static_cast<const int*>(context), buffer, size);
  return got < 0 ? -(errno != 0 ? errno : EIO) : got;
}

}  // namespace

ByteInput::ByteInput(std::size_t capacity)
    : buffer_(new (std::nothrow) std::uint8_t[capacity]), capacity_(capacity) {}

void ByteInput::Open(int fd) {
  fd_ = fd;
  OpenReader(ReadDescriptor, &fd_);
  advise_ = true;
}

void ByteInput::OpenReader(ReadFunction read, void* context) {
  read_ = read;
  readContext_ = context;
  advise_ = false;
  memoryStart_ = memory_ = memoryEnd_ = nullptr;
  next_ = limit_ = buffer_.get();
  restNext_ = restLimit_ = nullptr;
  inCarry_ = false;
  errorNumber_ = 0;
}

void ByteInput::OpenMemory(const std::uint8_t* data, std::size_t size, std::size_t chunk) {
  read_ = nullptr;
  advise_ = false;
  memoryStart_ = memory_ = data;
  memoryEnd_ = data + size;
  chunk_ = std::max<std::size_t>(chunk, 1);
  next_ = limit_ = data;
  restNext_ = restLimit_ = nullptr;
  inCarry_ = false;
  errorNumber_ = 0;
}

void ByteInput::Stop() {
  read_ = nullptr;
  memory_ = memoryEnd_;
}

void ByteInput::EnsureSlow(std::size_t count) {
  if (next_ == limit_ && !Refill()) return;
  std::size_t have = static_cast<std::size_t>(limit_ - next_);
  if (have >= count) return;
  // Back to the refill's own bytes once those left in the carry are their
  // start again, instead of carrying every character after.
  if (inCarry_ && have <= takenFromRest_ && restNext_ != restLimit_) {
    next_ = restNext_ - have;
    limit_ = restLimit_;
    restNext_ = restLimit_ = nullptr;
    inCarry_ = false;
    if (static_cast<std::size_t>(limit_ - next_) >= count) return;
    have = static_cast<std::size_t>(limit_ - next_);
  }
  std::memmove(carry_, next_, have);
  std::size_t taken = 0;
  while (have < count) {
    if (restNext_ == restLimit_) {
      if (!RefillSource()) break;
      restNext_ = next_;
      restLimit_ = limit_;
      taken = 0;
    }
    std::size_t take = std::min(count - have, static_cast<std::size_t>(restLimit_ - restNext_));
    std::memcpy(carry_ + have, restNext_, take);
    have += take;
    taken += take;
    restNext_ += take;
  }
  next_ = carry_;
  limit_ = carry_ + have;
  inCarry_ = true;
  takenFromRest_ = taken;
}

bool ByteInput::Refill() {
  inCarry_ = false;
  if (restNext_ != restLimit_) {
    next_ = restNext_;
    limit_ = restLimit_;
    restNext_ = restLimit_ = nullptr;
    return true;
  }
  return RefillSource();
}

bool ByteInput::RefillSource() {
  if (errorNumber_ != 0) return false;
  if (read_ == nullptr) {
    if (memory_ == memoryEnd_) return false;
    std::size_t n = std::min(chunk_, static_cast<std::size_t>(memoryEnd_ - memory_));
    next_ = memory_;
    limit_ = memory_ + n;
    memory_ += n;
    return true;
  }
  std::ptrdiff_t got = read_(readContext_, buffer_.get(), capacity_);
  next_ = limit_ = buffer_.get();
  if (got <= 0) {
    // A read error ends the input like its end does; failed() tells them apart.
    if (got < 0) errorNumber_ = got >= -INT_MAX ? static_cast<int>(-got) : EIO;
    read_ = nullptr;  // never read past the end (a terminal would wait for more)
    return false;
  }
  // A reader that claims more than it was given room for is held to the room.
  limit_ += std::min(static_cast<std::size_t>(got), capacity_);
  if (advise_ && limit_ - next_ == static_cast<std::ptrdiff_t>(capacity_)) {
    platform::AdviseSequential(fd_);
    advise_ = false;
  }
  return true;
}

}  // namespace codvet
