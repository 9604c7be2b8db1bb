#include "report/report_sink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "platform/platform.h"

namespace codvet {

ReportSink::ReportSink(int fd, std::string_view lineEnd, std::size_t capacity)
    : fd_(fd), captured_(nullptr), lineEnd_(lineEnd), buffer_(new (std::nothrow) char[capacity]) {
  middles_.reset(new (std::nothrow) std::string[kMsgCount]);
  if (!middles_) buffer_.reset();
  next_ = buffer_.get();
  limit_ = buffer_ ? next_ + capacity : next_;
  // Room for ")" and the line end, or the end alone, in 4 bytes each.
  std::string_view end = lineEnd_.substr(0, 3);
  valueEnd_[0] = ')';
  std::memcpy(valueEnd_ + 1, end.data(), end.size());
  std::memcpy(plainEnd_, end.data(), end.size());
  valueEndLength_ = static_cast<int>(end.size()) + 1;
  for (const MessageText& row : kMessageCatalogue) {
    if (!middles_) break;
    std::string& middle = middles_[static_cast<int>(row.id)];
    middle.assign("): ");
    middle.append(row.printed);
    middle.append(" (0x");
    middle.append(kPadding, '\0');
  }
  BeginInput({});
  plainEndLength_ = static_cast<int>(end.size());
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
      handlerContext_(context),
      formatting_(false) {}

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
    formatting_ = false;
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

using report_detail::kDigitPairs;
using report_detail::PutHex;

// Longest text of a signed 64-bit decimal or a 32-bit "(0x...)" field.
constexpr std::size_t kNumberRoom = 24;

// The longest printed message.
constexpr std::size_t LongestMessage() {
  std::size_t longest = 0;
  for (const MessageText& row : kMessageCatalogue) longest = std::max(longest, row.printed.size());
  return longest;
}

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

// The digits of `magnitude`.
int DigitCount(std::uint64_t magnitude) {
  int length = 1;
  for (std::uint64_t power = 10; length < 20 && magnitude >= power; power *= 10) ++length;
  return length;
}

char* PutDecimal(char* out, std::int64_t number) {
  // Work on the unsigned magnitude so that the most negative value is exact.
  std::uint64_t magnitude = number < 0 ? 0 - static_cast<std::uint64_t>(number) : number;
  if (number < 0) *out++ = '-';
  int length = DigitCount(magnitude);
  PutDigitsBefore(out + length, magnitude);
  return out + length;
}

// A display name longer than the whole buffer: the fields of a line, piece
// by piece.
void WriteLongLine(ReportSink& sink, std::string_view displayName, std::int64_t offset,
                   std::string_view message, const std::uint32_t* value) {
  char number[kNumberRoom + 8];
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

}  // namespace

void ReportSink::BeginInput(std::string_view displayName) {
  if (handler_ != nullptr) return;
  prefix_.assign("\"");
  prefix_.append(displayName);
  prefix_.append("\" (");
  prefix_.append(kPadding, '\0');
  lineRoom_ = static_cast<std::ptrdiff_t>(prefix_.size() + LongestMessage() + kPadding +
                                          lineEnd_.size() + 2 * kNumberRoom + 16);
  lastOffset_ = -1;
}

void ReportSink::SetOffsetDigits(std::int64_t offset) {
  std::memset(digits_, '0', kDigitsEnd);
  char* end = digits_ + kDigitsEnd;
  char* begin = PutDecimal(end - kNumberRoom, offset);
  // Moved to end at kDigitsEnd, '0' before.
  std::size_t length = static_cast<std::size_t>(begin - (end - kNumberRoom));
  std::memmove(end - length, end - kNumberRoom, length);
  std::memset(end - kNumberRoom, '0', kNumberRoom - length);
  digitsLength_ = static_cast<int>(length);
  lastOffset_ = offset;
}

void ReportSink::LineSlow(std::int64_t offset, Msg message, bool hasValue, std::uint32_t value) {
  if (discarding_ || Handle(offset, message, hasValue ? &value : nullptr)) return;
  if (Reserve(static_cast<std::size_t>(lineRoom_)) != nullptr && formatting_)
    return Line(offset, message, hasValue, value);
  if (!discarding_)
    WriteLongLine(*this, std::string_view(prefix_).substr(1, prefix_.size() - 4 - kPadding), offset,
                  Message(message).printed, hasValue ? &value : nullptr);
}

}  // namespace codvet
