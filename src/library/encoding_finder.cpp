// The encodings under which bytes are valid. An input that fits in the ring
// is checked in memory, one encoding after another. A longer one first has
// its first ring's worth checked so: an encoding with a problem well before
// the end of what was read is out without a thread (in real text all but a
// few are). Those left each validate on a thread of their own, pulling from
// the ring, which the calling thread refills as the slowest of them moves
// on; the caller's read function thus runs on the calling thread only, and
// memory stays the ring's whatever the input's length.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "codvet/codvet.h"
#include "platform/platform.h"

namespace codvet {

namespace {

constexpr std::size_t kRingBlock = std::size_t{1} << 18;
constexpr int kRingBlocks = 4;
// Also the most read before an input counts as long.
constexpr std::size_t kRingSize = kRingBlock * kRingBlocks;
// A problem this far before the end of the bytes read does not depend on
// the bytes after them: no character, escape or pair is this long.
constexpr std::int64_t kSettledMargin = 16;

// Reads until `size` bytes are in or the input ends: the count, or minus an
// error number.
std::ptrdiff_t ReadFull(ReadFunction read, void* context, std::uint8_t* buffer, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    std::ptrdiff_t n = read(context, buffer + got, size - got);
    if (n < 0) return n >= -INT_MAX ? n : -EIO;
    if (n == 0) break;
    got += std::min(static_cast<std::size_t>(n), size - got);
  }
  return static_cast<std::ptrdiff_t>(got);
}

bool NoteFirstProblem(void* context, const Problem& problem) {
  *static_cast<std::int64_t*>(context) = problem.offset;
  return false;
}

// The ring of blocks shared by the validating threads.
class Ring {
 public:
  explicit Ring(std::uint8_t* bytes) : bytes_(bytes) {
    for (std::size_t& size : sizes_) size = kRingBlock;
  }

  // One thread's place in the ring; a ReadFunction context.
  struct Reader {
    Ring* ring;
    std::int64_t block = 0;
    std::size_t at = 0;
    bool done = true;  // until it joins
  };

  static std::ptrdiff_t Read(void* context, std::uint8_t* buffer, std::size_t size) {
    Reader& reader = *static_cast<Reader*>(context);
    return reader.ring->Serve(reader, buffer, size);
  }

  void Join(Reader& reader) {
    std::lock_guard<std::mutex> lock(mutex_);
    reader.ring = this;
    reader.done = false;
    ++alive_;
  }
  void Leave(Reader& reader) {
    std::lock_guard<std::mutex> lock(mutex_);
    reader.done = true;
    --alive_;
    changed_.notify_all();
  }
  // Ends the readers' waits with an error, for a call given up.
  void Abandon() {
    std::lock_guard<std::mutex> lock(mutex_);
    abandoned_ = true;
    changed_.notify_all();
  }

  // Refills the ring from `read` until the input ends, a read fails or no
  // reader is left; `readers` are all that joined.
  void Fill(ReadFunction read, void* context, const Reader* readers, int count) {
    for (std::int64_t block = kRingBlocks;; ++block) {
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] {
          if (alive_ == 0) return true;
          for (int i = 0; i < count; ++i) {
            if (!readers[i].done && readers[i].block <= block - kRingBlocks) return false;
          }
          return true;
        });
        if (alive_ == 0) return;
      }
      std::size_t slot = static_cast<std::size_t>(block % kRingBlocks);
      std::ptrdiff_t got = ReadFull(read, context, bytes_ + slot * kRingBlock, kRingBlock);
      std::lock_guard<std::mutex> lock(mutex_);
      if (got > 0) {
        sizes_[slot] = static_cast<std::size_t>(got);
        produced_ = block + 1;
      }
      ended_ = got >= 0 && static_cast<std::size_t>(got) < kRingBlock;
      error_ = got < 0 ? static_cast<int>(-got) : 0;
      changed_.notify_all();
      if (ended_ || error_ != 0) return;
    }
  }

  int error() const { return error_; }

 private:
  std::ptrdiff_t Serve(Reader& reader, std::uint8_t* buffer, std::size_t size) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock,
                  [&] { return abandoned_ || reader.block < produced_ || ended_ || error_ != 0; });
    if (abandoned_) return -ECANCELED;
    if (reader.block >= produced_) return ended_ ? 0 : -error_;
    lock.unlock();
    // The block stays as it is until this reader moves past it.
    std::size_t slot = static_cast<std::size_t>(reader.block % kRingBlocks);
    std::size_t n = std::min(size, sizes_[slot] - reader.at);
    std::memcpy(buffer, bytes_ + slot * kRingBlock + reader.at, n);
    reader.at += n;
    if (reader.at == sizes_[slot]) {
      lock.lock();
      ++reader.block;
      reader.at = 0;
      changed_.notify_all();
    }
    return static_cast<std::ptrdiff_t>(n);
  }

  std::uint8_t* bytes_;
  std::size_t sizes_[kRingBlocks];
  std::mutex mutex_;
  std::condition_variable changed_;
  std::int64_t produced_ = kRingBlocks;  // filled before the readers start
  bool ended_ = false;
  int error_ = 0;
  bool abandoned_ = false;
  int alive_ = 0;
};

// Joins the threads started on every way out, abandoning the ring first
// where the call did not finish.
class Threads {
 public:
  explicit Threads(Ring& ring) : ring_(ring) {}
  ~Threads() {
    if (!finished_) ring_.Abandon();
    for (int i = 0; i < count_; ++i) threads_[i].join();
  }
  Threads(const Threads&) = delete;
  Threads& operator=(const Threads&) = delete;
  template <typename Body>
  bool Start(const Body& body) {
    try {
      threads_[count_] = std::thread(body);
    } catch (const std::system_error&) {
      return false;
    }
    ++count_;
    return true;
  }
  void Finish() {
    finished_ = true;
    for (int i = 0; i < count_; ++i) threads_[i].join();
    count_ = 0;
  }

 private:
  Ring& ring_;
  std::thread threads_[kEncodingCount];
  int count_ = 0;
  bool finished_ = false;
};

class BusyFlag {
 public:
  explicit BusyFlag(std::atomic<bool>& busy)
      : busy_(busy), held_(!busy.exchange(true, std::memory_order_acquire)) {}
  ~BusyFlag() {
    if (held_) busy_.store(false, std::memory_order_release);
  }
  BusyFlag(const BusyFlag&) = delete;
  BusyFlag& operator=(const BusyFlag&) = delete;
  bool held() const { return held_; }

 private:
  std::atomic<bool>& busy_;
  bool held_;
};

}  // namespace

struct EncodingFinder::Impl {
  Validator validators[kEncodingCount] = {Validator(EncodingName(0)), Validator(EncodingName(1)),
                                          Validator(EncodingName(2)), Validator(EncodingName(3)),
                                          Validator(EncodingName(4)), Validator(EncodingName(5)),
                                          Validator(EncodingName(6)), Validator(EncodingName(7))};
  // The first bytes of a reader or file, then the ring; made at the first.
  std::unique_ptr<std::uint8_t[]> ring;
  int errorNumber = 0;
  std::atomic<bool> busy{false};

  bool ok() const {
    for (const Validator& validator : validators) {
      if (validator.status() != Status::Valid) return false;
    }
    return true;
  }

  unsigned FindInMemory(const void* data, std::size_t size) {
    unsigned mask = 0;
    for (int i = 0; i < kEncodingCount; ++i) {
      if (validators[i].Validate(data, size, nullptr, nullptr) == Status::Valid) mask |= 1u << i;
    }
    return mask;
  }

  // `path`, when not null, names the file `read` reads, for the fallback.
  Status FindLong(ReadFunction read, void* context, const char* path, unsigned* validMask);
};

Status EncodingFinder::Impl::FindLong(ReadFunction read, void* context, const char* path,
                                      unsigned* validMask) {
  if (!ring) ring.reset(new (std::nothrow) std::uint8_t[kRingSize]);
  if (!ring) return Status::OutOfMemory;
  std::ptrdiff_t got = ReadFull(read, context, ring.get(), kRingSize);
  if (got < 0) {
    errorNumber = static_cast<int>(-got);
    return Status::ReadFailed;
  }
  if (static_cast<std::size_t>(got) < kRingSize) {
    *validMask = FindInMemory(ring.get(), static_cast<std::size_t>(got));
    return Status::Valid;
  }
  // Those with a problem settled within the first bytes need no thread.
  unsigned alive = 0;
  for (int i = 0; i < kEncodingCount; ++i) {
    std::int64_t first = 0;
    if (validators[i].Validate(ring.get(), kRingSize, NoteFirstProblem, &first) == Status::Valid ||
        first >= static_cast<std::int64_t>(kRingSize) - kSettledMargin)
      alive |= 1u << i;
  }
  if (alive == 0) return Status::Valid;
  Ring shared(ring.get());
  Ring::Reader readers[kEncodingCount];
  Status statuses[kEncodingCount] = {};
  unsigned started = 0;
  {
    Threads threads(shared);
    for (int i = 0; i < kEncodingCount; ++i) {
      if ((alive >> i & 1) == 0) continue;
      shared.Join(readers[i]);
      bool ok = threads.Start([this, i, &readers, &statuses, &shared] {
        statuses[i] = validators[i].ValidateReader(Ring::Read, &readers[i], nullptr, nullptr);
        shared.Leave(readers[i]);
      });
      if (!ok) {
        shared.Leave(readers[i]);
        continue;
      }
      started |= 1u << i;
    }
    shared.Fill(read, context, readers, kEncodingCount);
    threads.Finish();
  }
  if (shared.error() != 0) {
    errorNumber = shared.error();
    return Status::ReadFailed;
  }
  unsigned mask = 0;
  for (int i = 0; i < kEncodingCount; ++i) {
    if ((started >> i & 1) != 0 && statuses[i] == Status::Valid) mask |= 1u << i;
  }
  // Without a thread, an encoding can be checked only by reading again.
  for (int i = 0; i < kEncodingCount; ++i) {
    if ((alive >> i & 1) == 0 || (started >> i & 1) != 0) continue;
    if (path == nullptr) return Status::OutOfMemory;
    Status status = validators[i].ValidateFile(path, nullptr, nullptr);
    if (status == Status::Valid) mask |= 1u << i;
    if (status != Status::Valid && status != Status::Invalid) {
      errorNumber = validators[i].errorNumber();
      return status;
    }
  }
  *validMask = mask;
  return Status::Valid;
}

EncodingFinder::EncodingFinder() : status_(Status::OutOfMemory) {
  impl_.reset(new (std::nothrow) Impl);
  if (!impl_ || !impl_->ok()) {
    impl_.reset();
    return;
  }
  status_ = Status::Valid;
}

EncodingFinder::~EncodingFinder() = default;

EncodingFinder::EncodingFinder(EncodingFinder&& other) noexcept
    : impl_(std::move(other.impl_)), status_(other.status_) {
  other.status_ = Status::OutOfMemory;
}

EncodingFinder& EncodingFinder::operator=(EncodingFinder&& other) noexcept {
  if (this == &other) return *this;
  impl_ = std::move(other.impl_);
  status_ = other.status_;
  other.status_ = Status::OutOfMemory;
  return *this;
}

int EncodingFinder::errorNumber() const {
  return impl_ ? impl_->errorNumber : 0;
}

Status EncodingFinder::SetOptions(const Options& options) {
  if (!impl_) return status_;
  BusyFlag busy(impl_->busy);
  if (!busy.held()) return Status::Busy;
  for (Validator& validator : impl_->validators) validator.SetOptions(options);
  return Status::Valid;
}

Status EncodingFinder::Find(const void* data, std::size_t size, unsigned* validMask) {
  if (validMask != nullptr) *validMask = 0;
  if (!impl_) return status_;
  if (validMask == nullptr || (data == nullptr && size != 0)) return Status::BadArgument;
  BusyFlag busy(impl_->busy);
  if (!busy.held()) return Status::Busy;
  impl_->errorNumber = 0;
  *validMask = impl_->FindInMemory(data, size);
  return Status::Valid;
}

Status EncodingFinder::FindReader(ReadFunction read, void* readContext, unsigned* validMask) {
  if (validMask != nullptr) *validMask = 0;
  if (!impl_) return status_;
  if (validMask == nullptr || read == nullptr) return Status::BadArgument;
  BusyFlag busy(impl_->busy);
  if (!busy.held()) return Status::Busy;
  impl_->errorNumber = 0;
  return impl_->FindLong(read, readContext, nullptr, validMask);
}

namespace {

std::ptrdiff_t ReadFile(void* context, std::uint8_t* buffer, std::size_t size) {
  std::ptrdiff_t got = platform::ReadSome(*static_cast<const int*>(context), buffer, size);
  return got < 0 ? -(errno != 0 ? errno : EIO) : got;
}

}  // namespace

Status EncodingFinder::FindFile(const char* path, unsigned* validMask) {
  if (validMask != nullptr) *validMask = 0;
  if (!impl_) return status_;
  if (validMask == nullptr || path == nullptr) return Status::BadArgument;
  BusyFlag busy(impl_->busy);
  if (!busy.held()) return Status::Busy;
  impl_->errorNumber = 0;
  int fd = platform::OpenForReading(path);
  if (fd < 0) {
    impl_->errorNumber = errno;
    return Status::OpenFailed;
  }
  Status status = impl_->FindLong(ReadFile, &fd, path, validMask);
  platform::CloseInput(fd);
  return status;
}

}  // namespace codvet
