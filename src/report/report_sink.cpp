#include "report/report_sink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "platform/platform.h"

namespace codvet {

ReportSink::ReportSink(int fd, std::string_view lineEnd, std::size_t capacity)
    : fd_(fd), captured_(nullptr), lineEnd_(lineEnd), buffer_(new (std::nothrow) char[capacity]) {
  next_ = buffer_.get();
  limit_ = buffer_ ? next_ + capacity : next_;
}

ReportSink::ReportSink(std::string* captured, std::size_t capacity)
    : ReportSink(-1, "\n", capacity) {
  captured_ = captured;
}

ReportSink::ReportSink(ProblemHandler handler, void* context)
    : fd_(-1),
      captured_(nullptr),
      lineEnd_("\n"),
      next_(nullptr),
      limit_(nullptr),
      handler_(handler),
      handlerContext_(context) {}

ReportSink::~ReportSink() {
  Flush();
}

void ReportSink::Flush() {
  std::size_t size = static_cast<std::size_t>(next_ - buffer_.get());
  next_ = buffer_.get();
  if (size == 0 || discarding_) return;
  if (captured_ != nullptr) {
    captured_->append(buffer_.get(), size);
  } else if (!platform::WriteAll(fd_, buffer_.get(), size) && errno == EPIPE) {
    discarding_ = true;
  }
}

char* ReportSink::ReserveSlow(std::size_t size) {
  Flush();
  return static_cast<std::size_t>(limit_ - next_) >= size ? next_ : nullptr;
}

void ReportSink::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    if (next_ == limit_) Flush();
    std::size_t n = std::min(bytes.size(), static_cast<std::size_t>(limit_ - next_));
    std::memcpy(next_, bytes.data(), n);
    next_ += n;
    bytes.remove_prefix(n);
  }
}

namespace {

// Longest text of a signed 64-bit decimal or a 32-bit "(0x...)" field.
constexpr std::size_t kNumberRoom = 24;

// "00" to "99", so that decimal digits come two at a time.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes `magnitude` in decimal backwards, ending just before `end`.
template <typename Unsigned>
void PutDigitsBefore(char* end, Unsigned magnitude) {
  while (magnitude >= 100) {
    end -= 2;
    std::memcpy(end, kDigitPairs + 2 * (magnitude % 100), 2);
    magnitude /= 100;
  }
  if (magnitude >= 10) {
    std::memcpy(end - 2, kDigitPairs + 2 * magnitude, 2);
  } else {
    end[-1] = static_cast<char>('0' + magnitude);
  }
}

char* PutDecimal(char* out, std::int64_t number) {
  // Work on the unsigned magnitude so that the most negative value is exact.
  std::uint64_t magnitude = number < 0 ? 0 - static_cast<std::uint64_t>(number) : number;
  if (number < 0) *out++ = '-';
  int length = 1;
  for (std::uint64_t power = 10; length < 20 && magnitude >= power; power *= 10) ++length;
  // Offsets below 4 GiB, nearly all of them, take the cheaper 32-bit division.
  if (magnitude <= UINT32_MAX) {
    PutDigitsBefore(out + length, static_cast<std::uint32_t>(magnitude));
  } else {
    PutDigitsBefore(out + length, magnitude);
  }
  return out + length;
}

// PutDecimal for offsets, reusing the digits above the last four from the
// line before when they are the same. Writes up to 16 bytes past the text.
[[gnu::always_inline]] inline char* PutOffset(char* out, std::int64_t offset,
                                              ReportSink::OffsetDigits& cache) {
  if (offset < 10000) return PutDecimal(out, offset);
  std::uint64_t high = static_cast<std::uint64_t>(offset) / 10000;
  std::uint32_t low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(offset) - high * 10000);
  if (high != cache.high) {
    cache.high = high;
    cache.length = static_cast<std::size_t>(
        PutDecimal(cache.text, static_cast<std::int64_t>(high)) - cache.text);
  }
  std::memcpy(out, cache.text, 16);  // at most 15 digits
  out += cache.length;
  std::memcpy(out, kDigitPairs + 2 * (low / 100), 2);
  std::memcpy(out + 2, kDigitPairs + 2 * (low % 100), 2);
  return out + 4;
}

[[gnu::always_inline]] inline char* PutHex(char* out, std::uint32_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  int length = value == 0 ? 1 : (32 - __builtin_clz(value) + 3) / 4;
  for (int i = length - 1; i >= 0; --i, value >>= 4) out[i] = kDigits[value & 0xF];
  return out + length;
}

template <std::size_t kSize>
char* PutText(char* out, const char (&text)[kSize]) {
  std::memcpy(out, text, kSize - 1);
  return out + kSize - 1;
}

// Copies with fixed-size moves, the last one overlapping the one before:
// report lines are short, and a call to the library's memcpy per field
// costs more than the copy.
inline char* Put(char* out, std::string_view bytes) {
  const char* from = bytes.data();
  std::size_t n = bytes.size();
  if (n >= 16) {
    for (std::size_t i = 0; i + 16 < n; i += 16) std::memcpy(out + i, from + i, 16);
    std::memcpy(out + n - 16, from + n - 16, 16);
  } else if (n >= 8) {
    std::memcpy(out, from, 8);
    std::memcpy(out + n - 8, from + n - 8, 8);
  } else if (n >= 4) {
    std::memcpy(out, from, 4);
    std::memcpy(out + n - 4, from + n - 4, 4);
  } else {
    for (std::size_t i = 0; i < n; ++i) out[i] = from[i];
  }
  return out + n;
}

// A display name longer than the whole buffer: the fields of WriteLine,
// piece by piece.
[[gnu::noinline]] void WriteLongLine(ReportSink& sink, std::string_view displayName,
                                     std::int64_t offset, std::string_view message,
                                     const std::uint32_t* value) {
  char number[kNumberRoom];
  sink.Write("\"");
  sink.Write(displayName);
  sink.Write("\" (");
  sink.Write(
      std::string_view(number, static_cast<std::size_t>(PutDecimal(number, offset) - number)));
  sink.Write("): ");
  sink.Write(message);
  if (value != nullptr) {
    sink.Write(" (0x");
    sink.Write(std::string_view(number, static_cast<std::size_t>(PutHex(number, *value) - number)));
    sink.Write(")");
  }
  sink.Write(sink.lineEnd());
}

// Both forms share everything up to the message; `value` is null for the
// form without a value. Inlined into each caller: an input full of problems
// has a line for every few bytes.
[[gnu::always_inline]] inline void WriteLine(ReportSink& sink, std::string_view displayName,
                                             std::int64_t offset, std::string_view message,
                                             const std::uint32_t* value) {
  std::string_view lineEnd = sink.lineEnd();
  std::size_t size = displayName.size() + message.size() + lineEnd.size() + 2 * kNumberRoom + 8;
  char* out = sink.Reserve(size);
  if (out == nullptr) return WriteLongLine(sink, displayName, offset, message, value);
  out = PutText(out, "\"");
  out = Put(out, displayName);
  out = PutText(out, "\" (");
  out = PutOffset(out, offset, sink.offsetDigits());
  out = PutText(out, "): ");
  out = Put(out, message);
  if (value != nullptr) {
    out = PutText(out, " (0x");
    out = PutHex(out, *value);
    out = PutText(out, ")");
  }
  sink.Commit(Put(out, lineEnd));
}

}  // namespace

void ReportLine(ReportSink& sink, std::string_view displayName, std::int64_t offset, Msg message,
                std::uint32_t value) {
  if (sink.discarding() || sink.Handle(offset, message, &value)) return;
  WriteLine(sink, displayName, offset, Message(message).printed, &value);
}

void ReportLineNoValue(ReportSink& sink, std::string_view displayName, std::int64_t offset,
                       Msg message) {
  if (sink.discarding() || sink.Handle(offset, message, nullptr)) return;
  WriteLine(sink, displayName, offset, Message(message).printed, nullptr);
}

void ReportLine(ReportSink& sink, std::string_view displayName, std::int64_t offset,
                std::string_view message, std::uint32_t value) {
  if (!sink.discarding()) WriteLine(sink, displayName, offset, message, &value);
}

void ReportLineNoValue(ReportSink& sink, std::string_view displayName, std::int64_t offset,
                       std::string_view message) {
  if (!sink.discarding()) WriteLine(sink, displayName, offset, message, nullptr);
}

}  // namespace codvet
