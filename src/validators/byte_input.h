// The input of a validation: a buffered byte stream of its own over a file
// descriptor or a caller's read function, read in large blocks, or bytes
// already in memory. The validators look at the buffered bytes directly.
#ifndef SRC_VALIDATORS_BYTE_INPUT_H_
#define SRC_VALIDATORS_BYTE_INPUT_H_

#include <cstddef>
#include <cstdint>
#include <memory>

namespace codvet {

// Reads up to `size` bytes into `buffer`: returns the count, 0 at the end of
// the input, or a negative number on a read error (its negation is kept as
// the error number when it is a positive int).
using ReadFunction = std::ptrdiff_t (*)(void* context, std::uint8_t* buffer, std::size_t size);

class ByteInput {
 public:
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 16;

  // An input with a buffer of `capacity` bytes and no source yet (it is at
  // its end until Open or OpenMemory gives it one).
  explicit ByteInput(std::size_t capacity = kDefaultCapacity);
  ByteInput(const ByteInput&) = delete;
  ByteInput& operator=(const ByteInput&) = delete;

  // False when the buffer could not be allocated; such an input must not be
  // opened.
  bool ok() const { return buffer_ != nullptr; }

  // Starts reading `fd` (not owned) from its current position.
  void Open(int fd);
  // Starts reading through `read`, which is called with `context` until it
  // returns 0 or less.
  void OpenReader(ReadFunction read, void* context);
  // Starts reading `size` bytes at `data` (not copied), handed out at most
  // `chunk` bytes per refill so that tests can place block edges anywhere.
  void OpenMemory(const std::uint8_t* data, std::size_t size, std::size_t chunk);

  // Where the bytes of an input opened with OpenMemory lie, whole, for the
  // length of the validation (null for other inputs): those already consumed
  // may be read again from there.
  const std::uint8_t* memoryStart() const { return memoryStart_; }
  const std::uint8_t* memoryEnd() const { return memoryEnd_; }

  // The buffered bytes not yet consumed, [next(), limit()).
  const std::uint8_t* next() const { return next_; }
  const std::uint8_t* limit() const { return limit_; }
  // Consumes the buffered bytes before `to`, which lies in [next(), limit()],
  // and returns how many there were.
  std::ptrdiff_t Skip(const std::uint8_t* to) {
    std::ptrdiff_t passed = to - next_;
    next_ = to;
    return passed;
  }

  // The most bytes Ensure can be asked for: the longest character.
  static constexpr std::size_t kCarryCapacity = 8;

  // Makes at least `count` (at most kCarryCapacity) bytes buffered from
  // next(), unless the input ends or fails first: the bytes of a character
  // cut by a refill are copied whole into a small carry area, so that a
  // character is always seen whole or cut by the true end.
  void Ensure(std::size_t count) {
    if (static_cast<std::size_t>(limit_ - next_) < count) EnsureSlow(count);
  }

  // Ends the input at the next refill: the bytes already handed out may
  // still be read, none after them. Neither an end nor a failure is
  // reported for the bytes left.
  void Stop();

  // True once a read has failed; errorNumber() is its errno.
  bool failed() const { return errorNumber_ != 0; }
  int errorNumber() const { return errorNumber_; }

 private:
  bool Refill();
  bool RefillSource();
  void EnsureSlow(std::size_t count);

  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t capacity_;
  int fd_ = -1;
  ReadFunction read_ = nullptr;
  void* readContext_ = nullptr;
  const std::uint8_t* memoryStart_ = nullptr;
  const std::uint8_t* memory_ = nullptr;
  const std::uint8_t* memoryEnd_ = nullptr;
  std::size_t chunk_ = 0;
  const std::uint8_t* next_ = nullptr;
  const std::uint8_t* limit_ = nullptr;
  int errorNumber_ = 0;
  // A character cut by a refill, and the rest of that refill's bytes,
  // handed out once the carry is used up.
  std::uint8_t carry_[2 * kCarryCapacity];
  const std::uint8_t* restNext_ = nullptr;
  const std::uint8_t* restLimit_ = nullptr;
  // Whether next_ lies in the carry, whose last takenFromRest_ bytes come
  // from just before restNext_.
  bool inCarry_ = false;
  std::size_t takenFromRest_ = 0;
  // Whether a read that fills the whole buffer is to advise the system of a
  // sequential read: once per descriptor, since a file that fits one read
  // gains nothing from the advice, which costs as much as its read.
  bool advise_ = false;
};

}  // namespace codvet

#endif  // SRC_VALIDATORS_BYTE_INPUT_H_
