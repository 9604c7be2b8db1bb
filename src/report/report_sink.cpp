#include "report/report_sink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "cli/platform.h"
#include "codeset/code_set.h"

namespace codvet {

ReportSink::ReportSink(int fd, std::string_view lineEnd, std::size_t capacity)
    : fd_(fd), captured_(nullptr), lineEnd_(lineEnd), buffer_(new (std::nothrow) char[capacity]) {
  if (!buffer_) ExitOutOfMemory();
  next_ = buffer_.get();
  limit_ = next_ + capacity;
}

ReportSink::ReportSink(std::string* captured, std::size_t capacity) : ReportSink(-1, "\n", capacity) {
  captured_ = captured;
}

ReportSink::~ReportSink() { Flush(); }

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

char* PutDecimal(char* out, std::int64_t number) {
  char digits[kNumberRoom];
  char* start = digits + sizeof digits;
  // Work on the unsigned magnitude so that the most negative value is exact.
  std::uint64_t magnitude = number < 0 ? 0 - static_cast<std::uint64_t>(number) : number;
  do {
    *--start = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (number < 0) *--start = '-';
  std::size_t n = static_cast<std::size_t>(digits + sizeof digits - start);
  std::memcpy(out, start, n);
  return out + n;
}

char* PutHex(char* out, std::uint32_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  int shift = 28;
  while (shift > 0 && (value >> shift) == 0) shift -= 4;
  for (; shift >= 0; shift -= 4) *out++ = kDigits[(value >> shift) & 0xF];
  return out;
}

char* Put(char* out, std::string_view bytes) {
  std::memcpy(out, bytes.data(), bytes.size());
  return out + bytes.size();
}

// Both forms share everything up to the message; `value` is null for the
// form without a value.
void WriteLine(ReportSink& sink, std::string_view displayName, std::int64_t offset,
               std::string_view message, const std::uint32_t* value) {
  if (sink.discarding()) return;
  std::string_view lineEnd = sink.lineEnd();
  std::size_t size = displayName.size() + message.size() + lineEnd.size() + 2 * kNumberRoom + 8;
  char* out = sink.Reserve(size);
  if (out != nullptr) {
    out = Put(out, "\"");
    out = Put(out, displayName);
    out = Put(out, "\" (");
    out = PutDecimal(out, offset);
    out = Put(out, "): ");
    out = Put(out, message);
    if (value != nullptr) {
      out = Put(out, " (0x");
      out = PutHex(out, *value);
      out = Put(out, ")");
    }
    sink.Commit(Put(out, lineEnd));
    return;
  }
  // A display name longer than the whole buffer: the same fields, piece by
  // piece.
  char number[kNumberRoom];
  sink.Write("\"");
  sink.Write(displayName);
  sink.Write("\" (");
  sink.Write(std::string_view(number, static_cast<std::size_t>(PutDecimal(number, offset) - number)));
  sink.Write("): ");
  sink.Write(message);
  if (value != nullptr) {
    sink.Write(" (0x");
    sink.Write(std::string_view(number, static_cast<std::size_t>(PutHex(number, *value) - number)));
    sink.Write(")");
  }
  sink.Write(lineEnd);
}

}  // namespace

void ReportLine(ReportSink& sink, std::string_view displayName, std::int64_t offset,
                std::string_view message, std::uint32_t value) {
  WriteLine(sink, displayName, offset, message, &value);
}

void ReportLineNoValue(ReportSink& sink, std::string_view displayName, std::int64_t offset,
                       std::string_view message) {
  WriteLine(sink, displayName, offset, message, nullptr);
}

}  // namespace codvet
