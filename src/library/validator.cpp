#include <atomic>
#include <cerrno>
#include <new>

#include "codvet/codvet.h"
#include "library/encoding_table.h"
#include "platform/platform.h"
#include "report/messages.h"
#include "report/report_sink.h"
#include "validators/byte_input.h"
#include "validators/encoding_validator.h"

namespace codvet {

namespace {

// Bytes in memory are handed to the validator in blocks of this size, so that
// a stop takes effect within one block.
constexpr std::size_t kMemoryBlock = std::size_t{1} << 20;

// The public identifiers are the catalogue's, name for name and value for
// value, so that one becomes the other by a cast.
#define CODVET_MESSAGE(id, length, english, japanese, printed) \
  static_assert(static_cast<int>(MessageId::id) == static_cast<int>(Msg::id));
#include "report/messages.def"
#undef CODVET_MESSAGE
static_assert(kMessageCount == kMsgCount);

const MessageText* Texts(MessageId id) {
  int index = static_cast<int>(id);
  return index >= 0 && index < kMessageCount ? &kMessageCatalogue[index] : nullptr;
}

}  // namespace

std::string_view MessageName(MessageId id) {
  const MessageText* texts = Texts(id);
  return texts != nullptr ? texts->name : std::string_view();
}

std::string_view MessageEnglish(MessageId id) {
  const MessageText* texts = Texts(id);
  return texts != nullptr ? texts->english : std::string_view();
}

std::string_view MessageJapanese(MessageId id) {
  const MessageText* texts = Texts(id);
  return texts != nullptr ? texts->japanese : std::string_view();
}

std::string_view MessageReportText(MessageId id) {
  const MessageText* texts = Texts(id);
  return texts != nullptr ? texts->printed : std::string_view();
}

const char* EncodingName(int index) {
  return index >= 0 && index < kEncodingCount ? kEncodingTable[index].name : nullptr;
}

struct Validator::Impl {
  explicit Impl(const Encoding& encoding) : encoding(encoding), validator(nullptr) {
    validator.tables = &tables;
    validator.input = &input;
  }

  // The problem function of one validation, and whether it asked to stop.
  struct Call {
    Impl* impl;
    ProblemFunction onProblem;
    void* context;
    bool stopped;
  };

  static bool OnProblem(void* context, std::int64_t offset, Msg message,
                        const std::uint32_t* value) {
    Call& call = *static_cast<Call*>(context);
    Problem problem;
    problem.offset = offset;
    problem.message = static_cast<MessageId>(message);
    problem.hasValue = value != nullptr;
    problem.value = value != nullptr ? *value : 0;
    if (call.impl->validator.countLines) {
      problem.line = call.impl->validator.problemLine;
      problem.column = call.impl->validator.problemColumn;
    }
    // Without a problem function the first problem settles the answer.
    if (call.onProblem == nullptr || !call.onProblem(call.context, problem)) {
      call.stopped = call.onProblem != nullptr;
      call.impl->input.Stop();
      return false;
    }
    return true;
  }

  // Validates the input as opened.
  Status Run(ProblemFunction onProblem, void* context) {
    Call call{this, onProblem, context, false};
    ReportSink sink(&Impl::OnProblem, &call);
    validator.output = &sink;
    validator.countLines = options.lines;
    validator.strict = options.strict;
    bool valid = RunOperation(validator, encoding);
    validator.output = nullptr;
    errorNumber = 0;
    if (call.stopped) return Status::Stopped;
    if (input.failed()) {
      errorNumber = input.errorNumber();
      return Status::ReadFailed;
    }
    return valid ? Status::Valid : Status::Invalid;
  }

  const Encoding& encoding;
  // Loaded once, when the validator is made; every validation only reads
  // them.
  CodeTables tables;
  EncodingValidator validator;
  ByteInput input;
  Options options;
  int errorNumber = 0;
  // Set for the length of one validation. Atomic so that a second thread
  // misusing the same validator is turned away instead of racing.
  std::atomic<bool> busy{false};
};

namespace {

// Holds a validator's Impl for one validation, or tells that another one is
// under way; released on every way out, exceptions from the caller's
// functions included.
class BusyGuard {
 public:
  explicit BusyGuard(std::atomic<bool>& busy)
      : busy_(busy), held_(!busy.exchange(true, std::memory_order_acquire)) {}
  ~BusyGuard() {
    if (held_) busy_.store(false, std::memory_order_release);
  }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;
  bool held() const { return held_; }

 private:
  std::atomic<bool>& busy_;
  bool held_;
};

// Closes the file on every way out of a validation.
class FileCloser {
 public:
  explicit FileCloser(int fd) : fd_(fd) {}
  ~FileCloser() { platform::CloseInput(fd_); }
  FileCloser(const FileCloser&) = delete;
  FileCloser& operator=(const FileCloser&) = delete;

 private:
  int fd_;
};

}  // namespace

Validator::Validator(const char* encodingName) : status_(Status::UnknownEncoding) {
  const Encoding* encoding = encodingName != nullptr ? FindEncoding(encodingName) : nullptr;
  if (encoding == nullptr) return;
  status_ = Status::OutOfMemory;
  impl_.reset(new (std::nothrow) Impl(*encoding));
  if (!impl_ || !impl_->tables.ok() || !impl_->input.ok()) {
    impl_.reset();
    return;
  }
  // The code sets and the fast path's tables are made once; nothing changes
  // them afterwards.
  LoadTables(impl_->tables, *encoding);
  status_ = Status::Valid;
}

Validator::~Validator() = default;

Validator::Validator(Validator&& other) noexcept
    : impl_(std::move(other.impl_)), status_(other.status_) {
  other.status_ = Status::UnknownEncoding;
}

Validator& Validator::operator=(Validator&& other) noexcept {
  if (this == &other) return *this;
  impl_ = std::move(other.impl_);
  status_ = other.status_;
  other.status_ = Status::UnknownEncoding;
  return *this;
}

const char* Validator::encodingName() const {
  return impl_ ? impl_->encoding.name : nullptr;
}

int Validator::errorNumber() const {
  return impl_ ? impl_->errorNumber : 0;
}

Status Validator::SetOptions(const Options& options) {
  if (!impl_) return status_;
  BusyGuard guard(impl_->busy);
  if (!guard.held()) return Status::Busy;
  impl_->options = options;
  return Status::Valid;
}

Options Validator::options() const {
  return impl_ ? impl_->options : Options();
}

Status Validator::Validate(const void* data, std::size_t size, ProblemFunction onProblem,
                           void* context) {
  if (!impl_) return status_;
  if (data == nullptr && size != 0) return Status::BadArgument;
  BusyGuard guard(impl_->busy);
  if (!guard.held()) return Status::Busy;
  impl_->input.OpenMemory(static_cast<const std::uint8_t*>(data), size, kMemoryBlock);
  return impl_->Run(onProblem, context);
}

Status Validator::ValidateReader(ReadFunction read, void* readContext, ProblemFunction onProblem,
                                 void* context) {
  if (!impl_) return status_;
  if (read == nullptr) return Status::BadArgument;
  BusyGuard guard(impl_->busy);
  if (!guard.held()) return Status::Busy;
  impl_->input.OpenReader(read, readContext);
  return impl_->Run(onProblem, context);
}

Status Validator::ValidateFile(const char* path, ProblemFunction onProblem, void* context) {
  if (!impl_) return status_;
  if (path == nullptr) return Status::BadArgument;
  BusyGuard guard(impl_->busy);
  if (!guard.held()) return Status::Busy;
  int fd = platform::OpenForReading(path);
  if (fd < 0) {
    impl_->errorNumber = errno;
    return Status::OpenFailed;
  }
  FileCloser closer(fd);
  impl_->input.Open(fd);
  return impl_->Run(onProblem, context);
}

namespace {

using ProblemCallable = std::function<bool(const Problem&)>;
using ReadCallable = std::function<std::ptrdiff_t(std::uint8_t*, std::size_t)>;

bool CallProblemCallable(void* context, const Problem& problem) {
  return (*static_cast<const ProblemCallable*>(context))(problem);
}

std::ptrdiff_t CallReadCallable(void* context, std::uint8_t* buffer, std::size_t size) {
  return (*static_cast<const ReadCallable*>(context))(buffer, size);
}

struct Collection {
  std::vector<Problem>* problems;
  std::size_t room;
  bool outOfMemory;
};

bool CollectProblem(void* context, const Problem& problem) {
  Collection& collection = *static_cast<Collection*>(context);
  if (collection.room == 0) return false;
  // std::vector reports a failed allocation only by throwing; this overload
  // promises not to throw, so the failure becomes a status.
  try {
    collection.problems->push_back(problem);
  } catch (const std::bad_alloc&) {
    collection.outOfMemory = true;
    return false;
  }
  --collection.room;
  return true;
}

}  // namespace

Status Validator::Validate(const void* data, std::size_t size, const ProblemCallable& onProblem) {
  if (impl_ && !onProblem) return Status::BadArgument;
  return Validate(data, size, CallProblemCallable, const_cast<ProblemCallable*>(&onProblem));
}

Status Validator::ValidateReader(const ReadCallable& read, const ProblemCallable& onProblem) {
  if (impl_ && (!read || !onProblem)) return Status::BadArgument;
  return ValidateReader(CallReadCallable, const_cast<ReadCallable*>(&read), CallProblemCallable,
                        const_cast<ProblemCallable*>(&onProblem));
}

Status Validator::ValidateFile(const char* path, const ProblemCallable& onProblem) {
  if (impl_ && !onProblem) return Status::BadArgument;
  return ValidateFile(path, CallProblemCallable, const_cast<ProblemCallable*>(&onProblem));
}

Status Validator::Validate(const void* data, std::size_t size, std::vector<Problem>* problems,
                           std::size_t maxProblems) {
  if (impl_ && problems == nullptr) return Status::BadArgument;
  Collection collection{problems, maxProblems, false};
  Status status = Validate(data, size, CollectProblem, &collection);
  return collection.outOfMemory ? Status::OutOfMemory : status;
}

}  // namespace codvet
