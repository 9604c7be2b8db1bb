// Report lines: one whole line per problem, formatted by hand into a large
// buffer and written in blocks, since an input full of problems produces
// millions of lines.
#ifndef SRC_REPORT_REPORT_SINK_H_
#define SRC_REPORT_REPORT_SINK_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
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

  // Prepares the lines of one input named `displayName` (copied): its
  // fixed parts are laid out once, so that each line copies them whole.
  void BeginInput(std::string_view displayName);
  // One problem of the input begun: "\"NAME\" (OFFSET): MESSAGE (0xVALUE)"
  // and the line end, MESSAGE being the message's printed text and VALUE
  // lowercase hexadecimal without leading zeros; or the problem passed to
  // the handler. Inline: an input full of problems has a line for every few
  // bytes.
  void Report(std::int64_t offset, Msg message, std::uint32_t value) {
    Line(offset, message, true, value);
  }
  // The same line without " (0xVALUE)".
  void ReportNoValue(std::int64_t offset, Msg message) { Line(offset, message, false, 0); }

 private:
  char* ReserveSlow(std::size_t size);
  [[gnu::always_inline]] inline void Line(std::int64_t offset, Msg message, bool hasValue,
                                          std::uint32_t value);
  void LineSlow(std::int64_t offset, Msg message, bool hasValue, std::uint32_t value);
  char* PutOffset(char* out, std::int64_t offset);
  void SetOffsetDigits(std::int64_t offset);

  int fd_;
  std::string* captured_;
  std::string_view lineEnd_;
  std::unique_ptr<char[]> buffer_;
  char* next_;
  char* limit_;
  bool discarding_ = false;
  ProblemHandler handler_ = nullptr;
  void* handlerContext_ = nullptr;
  // Whether lines are formatted into the buffer at all (no handler, not
  // discarding).
  bool formatting_ = true;
  // The fixed parts of a line, each followed by kPadding bytes so that they
  // are copied in whole blocks: "\"NAME\" (" of the input begun, and for
  // each message "): MESSAGE (0x", which the line without a value ends
  // before " (0x"; and the room the input's longest line needs.
  static constexpr std::size_t kPadding = 32;
  std::string prefix_;
  // Made by the formatting constructors alone: a sink for a handler is
  // made for every call of the library, and costs nothing then.
  std::unique_ptr<std::string[]> middles_;
  std::ptrdiff_t lineRoom_ = 0;
  // ")" and the line end, then the line end alone, each padded to 4 bytes.
  char valueEnd_[4] = {};
  char plainEnd_[4] = {};
  int valueEndLength_ = 0;
  int plainEndLength_ = 0;
  // The decimal digits of the last offset, right-aligned at kDigitsEnd with
  // '0' before them: the next offset, nearly always a little higher, is
  // added to the last two digits instead of worked out by division.
  static constexpr int kDigitsEnd = 24;
  char digits_[kDigitsEnd + 24] = {};
  int digitsLength_ = 0;
  std::int64_t lastOffset_ = -1;
};

namespace report_detail {

// Copies `n` bytes in blocks of 32, up to 31 more: `from` has them to
// spare, and the line's room takes them.
[[gnu::always_inline]] inline char* PutPadded(char* out, const char* from, std::size_t n) {
  for (std::size_t i = 0; i < n; i += 32) std::memcpy(out + i, from + i, 32);
  return out + n;
}

// "00" to "99", so that decimal digits come two at a time.
inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes `value` in lowercase hexadecimal without leading zeros: its nibbles
// spread to one per byte and turned into digits all at once. Writes 8 bytes.
[[gnu::always_inline]] inline char* PutHex(char* out, std::uint32_t value) {
  int length = (32 - __builtin_clz(value | 1) + 3) >> 2;
  std::uint64_t x = value;
  x = (x & 0xFFFF0000u) << 16 | (x & 0xFFFFu);
  x = (x & 0x0000FF000000FF00u) << 8 | (x & 0x000000FF000000FFu);
  x = (x & 0x00F000F000F000F0u) << 4 | (x & 0x000F000F000F000Fu);
  // Each byte a nibble, the lowest in the lowest byte; 'a' - '0' - 10 more
  // for those above 9.
  std::uint64_t letters = ((x + 0x0606060606060606u) >> 4) & 0x0101010101010101u;
  x += 0x3030303030303030u + letters * 0x27;
  // The most significant digit first in memory, leading zeros shifted out.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  x <<= 64 - 8 * length;
#else
  x = __builtin_bswap64(x) >> (64 - 8 * length);
#endif
  std::memcpy(out, &x, 8);
  return out + length;
}

}  // namespace report_detail

inline char* ReportSink::PutOffset(char* out, std::int64_t offset) {
  std::uint64_t delta =
      static_cast<std::uint64_t>(offset) - static_cast<std::uint64_t>(lastOffset_);
  if (delta < 100 && lastOffset_ >= 0) {
    char* low = digits_ + kDigitsEnd - 2;
    unsigned two =
        static_cast<unsigned>((low[0] - '0') * 10 + (low[1] - '0')) + static_cast<unsigned>(delta);
    unsigned carry = two >= 100;
    two -= carry * 100;
    std::memcpy(low, report_detail::kDigitPairs + 2 * two, 2);
    int length = two >= 10 ? 2 : 1;
    if (carry != 0) {
      char* p = low - 1;
      while (*p == '9') *p-- = '0';
      ++*p;
      length = static_cast<int>(digits_ + kDigitsEnd - p);
    }
    if (length > digitsLength_) digitsLength_ = length;
    lastOffset_ = offset;
  } else {
    SetOffsetDigits(offset);
  }
  const char* from = digits_ + kDigitsEnd - digitsLength_;
  std::memcpy(out, from, 16);
  if (digitsLength_ > 16) std::memcpy(out + 16, from + 16, 8);
  return out + digitsLength_;
}

inline void ReportSink::Line(std::int64_t offset, Msg message, bool hasValue, std::uint32_t value) {
  char* out = next_;
  if (!formatting_ || limit_ - out < lineRoom_) return LineSlow(offset, message, hasValue, value);
  out = report_detail::PutPadded(out, prefix_.data(), prefix_.size() - kPadding);
  out = PutOffset(out, offset);
  const std::string& middle = middles_[static_cast<int>(message)];
  out = report_detail::PutPadded(out, middle.data(), middle.size() - kPadding);
  if (hasValue) {
    out = report_detail::PutHex(out, value);
    std::memcpy(out, valueEnd_, 4);
    next_ = out + valueEndLength_;
  } else {
    out -= 4;  // " (0x"
    std::memcpy(out, plainEnd_, 4);
    next_ = out + plainEndLength_;
  }
}

}  // namespace codvet

#endif  // SRC_REPORT_REPORT_SINK_H_
