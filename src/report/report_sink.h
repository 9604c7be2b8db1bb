// Report lines: one whole line per problem, formatted by hand into a large
// buffer and written in blocks, since an input full of problems produces
// millions of lines.
#ifndef SRC_REPORT_REPORT_SINK_H_
#define SRC_REPORT_REPORT_SINK_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "report/messages.h"

namespace codvet {

// Receives a problem in place of its report line: the offset, the message
// and the value (null for the form without one). Returns false to have the
// sink drop every later problem.
using ProblemHandler = bool (*)(void* context, std::int64_t offset, Msg message,
                                const std::uint32_t* value);

// A buffered byte stream for report lines, written to a file descriptor or,
// for tests, collected in a string; or, for programs that take the problems
// themselves, a handler that receives each one unformatted. Write errors are
// ignored: once the reader of a pipe has gone, further lines are dropped
// unformatted.
class ReportSink {
 public:
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 18;

  // A sink that writes to `fd`, ending each line with `lineEnd`.
  ReportSink(int fd, std::string_view lineEnd, std::size_t capacity = kDefaultCapacity);
  // A sink that appends to `*captured`; lines end with "\n".
  explicit ReportSink(std::string* captured, std::size_t capacity = kDefaultCapacity);
  // A sink that passes every problem to `handler` and formats nothing.
  ReportSink(ProblemHandler handler, void* context);
  ~ReportSink();
  ReportSink(const ReportSink&) = delete;
  ReportSink& operator=(const ReportSink&) = delete;

  // Appends bytes of any length.
  void Write(std::string_view bytes);
  // Passes everything buffered on to the descriptor or the string.
  void Flush();

  std::string_view lineEnd() const { return lineEnd_; }
  // False when the buffer could not be allocated; such a sink must not be
  // written to.
  bool ok() const { return buffer_ != nullptr || handler_ != nullptr; }
  // True once the reader of the output is known to be gone, or the handler
  // has asked for no more problems.
  bool discarding() const { return discarding_; }
  // Lets a problem through the handler; false when there is none.
  bool Handle(std::int64_t offset, Msg message, const std::uint32_t* value) {
    if (handler_ == nullptr) return false;
    if (!handler_(handlerContext_, offset, message, value)) discarding_ = true;
    return true;
  }

  // Room for `size` contiguous bytes, flushing first if needed; null when
  // `size` exceeds the capacity. Commit the bytes actually used.
  char* Reserve(std::size_t size) {
    if (static_cast<std::size_t>(limit_ - next_) >= size) return next_;
    return ReserveSlow(size);
  }
  void Commit(char* end) { next_ = end; }

  // The decimal text of offset / 10000 in the line before: offsets grow
  // from line to line, so it seldom changes and the digits below it are all
  // that need working out. Used by the line formatting only.
  struct OffsetDigits {
    std::uint64_t high = UINT64_MAX;
    char text[24] = {};
    std::size_t length = 0;
  };
  OffsetDigits& offsetDigits() { return offsetDigits_; }

 private:
  char* ReserveSlow(std::size_t size);

  int fd_;
  std::string* captured_;
  std::string_view lineEnd_;
  std::unique_ptr<char[]> buffer_;
  char* next_;
  char* limit_;
  bool discarding_ = false;
  ProblemHandler handler_ = nullptr;
  void* handlerContext_ = nullptr;
  OffsetDigits offsetDigits_;
};

// Writes "\"NAME\" (OFFSET): MESSAGE (0xVALUE)" and the line end, MESSAGE
// being the message's printed text and the value in lowercase hexadecimal
// without leading zeros; or passes the problem to the sink's handler.
void ReportLine(ReportSink& sink, std::string_view displayName, std::int64_t offset, Msg message,
                std::uint32_t value);

// Writes "\"NAME\" (OFFSET): MESSAGE" and the line end, or passes the problem
// to the sink's handler.
void ReportLineNoValue(ReportSink& sink, std::string_view displayName, std::int64_t offset,
                       Msg message);

// The same lines with any bytes in place of a message's text: the
// formatting alone, for a sink without a handler.
void ReportLine(ReportSink& sink, std::string_view displayName, std::int64_t offset,
                std::string_view message, std::uint32_t value);
void ReportLineNoValue(ReportSink& sink, std::string_view displayName, std::int64_t offset,
                       std::string_view message);

}  // namespace codvet

#endif  // SRC_REPORT_REPORT_SINK_H_
