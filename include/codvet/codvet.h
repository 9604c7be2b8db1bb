// codvet as a library: tells whether bytes are well formed in one of eight
// encodings used for Japanese text, and reports every problem with its byte
// offset, as the codvet program does.
//
// A Validator holds what one encoding needs (about 21 KiB of code sets and
// tables derived from them, for the table-driven encodings, made once) and
// validates any number of inputs, one at a time. Validators share no state:
// separate ones may run on separate threads at once. Nothing here ends the
// process, writes to a stream or throws, except that the std::function
// overloads may throw what the caller's functions throw; whatever a caller's
// function throws, the validator stays usable and every file it opened is
// closed.
//
// Wrong use is answered with a status, never a crash: null data with a size,
// a null read function, path, callable or problem list give BadArgument; a
// validation started on a validator that is already validating (from one of
// its own read or problem functions, or from another thread) gives Busy and
// leaves the running one as it was. The one thing a caller must not do is
// destroy or assign to a validator from inside its own read or problem
// function.
#ifndef CODVET_CODVET_H_
#define CODVET_CODVET_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

// Marks what the shared library exports; everything else stays inside it.
#if defined(__GNUC__) && !defined(_WIN32)
#define CODVET_API __attribute__((visibility("default")))
#else
#define CODVET_API
#endif

namespace codvet {

// The messages of report lines, in the order of the program's catalogue.
enum class MessageId : int {
  InvalidCharacter,
  AloneLeadByteSjis,
  AloneJisX0208Pair,
  AloneJisX0212Pair,
  AloneSs2,
  AloneSs3,
  InvalidKanaCharacter,
  InvalidJisX0212Character,
  AloneLeadByteJis,
  IncompleteEscape,
  LineBreakInNonAscii,
  Jis1978Character,
  ControlInTwoByteMode,
  InvalidEscape,
  Jis1978Escape,
  InvalidSecondByte,
  InvalidContinuation,
  SurrogateInUtf8,
  InvalidSequence,
  IncompleteCharacterUtf8,
  FffeMustNotAppear,
  LoneTrailSurrogate,
  InvalidTrailSurrogate,
  IncompleteCharacterUtf16,
  UncertainEndian,
  // Reported only under the strict rules (Options::strict).
  OverlongUtf8,
  BeyondUnicodeUtf8,
  FiveByteUtf8,
  LeadByteInSequence,
  EightBitInIso2022Jp,
};
inline constexpr int kMessageCount = 30;

// The identifier as the program's sources name it ("MsgInvalidCharacter").
CODVET_API std::string_view MessageName(MessageId id);
// The English half of the message ("Invalid Character").
CODVET_API std::string_view MessageEnglish(MessageId id);
// The Japanese half, in UTF-8.
CODVET_API std::string_view MessageJapanese(MessageId id);
// The whole message as the program prints it: English, a blank and the
// Japanese half in Shift_JIS (CP932) bytes.
CODVET_API std::string_view MessageReportText(MessageId id);

// One problem: where the character concerned starts, counted in bytes from 0
// at the start of the input, which message the program prints for it and, in
// most cases, the value built from the bytes concerned.
//
// With Options::lines, also its line and column, both from 1 (else both 0):
// - line: 1 plus the line feeds before the offset: bytes 0x0A, in UTF-16 the
//   units 0x000A in the byte order in effect. Every one counts, also one
//   taken as the second byte of a broken pair or inside a broken escape
//   sequence, so that the next line starts right after it, as an editor
//   shows it. A line feed belongs to the line it ends; so does a carriage
//   return before it, which is a character of that line.
// - column: 1 plus the characters that start on the problem's line before
//   it, as the encoding splits the input: a two- or three-byte character, or
//   a surrogate pair, is one; a broken sequence counts as many as the pieces
//   it is reported in; an ISO-2022-JP escape sequence (valid or not) counts
//   none; a byte-order mark is a character. A character that begins on one
//   line and swallows its line feed starts on that line, and the line after
//   it starts at column 1 with whatever follows. The ISO-2022-JP mode runs
//   on across line feeds, as the checks themselves do.
struct Problem {
  std::int64_t offset = 0;
  MessageId message = MessageId::InvalidCharacter;
  bool hasValue = false;
  std::uint32_t value = 0;
  std::int64_t line = 0;
  std::int64_t column = 0;
};

// How a validation, or the making of a Validator, came out.
enum class Status : int {
  Valid = 0,            // the input was read to its end and no problem was found
  Invalid = 1,          // the input was read to its end and problems were reported
  Stopped = 2,          // the problem function asked to stop
  ReadFailed = 3,       // the read function or the file failed; errorNumber() says how
  OpenFailed = 4,       // the file could not be opened; errorNumber() says why
  OutOfMemory = 5,      // the validator's memory could not be had
  UnknownEncoding = 6,  // the encoding name is not one of the eight
  BadArgument = 7,      // null data with a size, or a null function, path or list
  Busy = 8,             // the validator is in the middle of another validation
};

// Called for each problem in input order; returns false to stop. Where none
// is given, validation ends at the first problem with Invalid.
using ProblemFunction = bool (*)(void* context, const Problem& problem);
// Reads up to `size` bytes into `buffer`: returns the count, 0 at the end of
// the input, or a negative number on failure (minus an errno value, for
// errorNumber()).
using ReadFunction = std::ptrdiff_t (*)(void* context, std::uint8_t* buffer, std::size_t size);

// The accepted encoding names, in the program's order: "shift_jis",
// "windows-31j", "euc-jp", "iso-2022-jp", "utf8", "utf16", "utf16be",
// "utf16le". Names are matched without regard to ASCII case.
inline constexpr int kEncodingCount = 8;
CODVET_API const char* EncodingName(int index);

// What a validator does beyond the program's own checks; the program asks for
// neither, and neither costs anything unless asked for.
struct Options {
  // Give every problem its line and column (Problem::line, Problem::column).
  bool lines = false;
  // Apply the strict rules: in utf8 those of RFC 3629, in iso-2022-jp seven
  // bits only. The other encodings have no stricter rules.
  bool strict = false;
};

class CODVET_API Validator {
 public:
  // A validator for the encoding named `encodingName`; status() says whether
  // it is ready.
  explicit Validator(const char* encodingName);
  ~Validator();
  Validator(Validator&& other) noexcept;
  Validator& operator=(Validator&& other) noexcept;

  // Valid when the validator is ready, otherwise UnknownEncoding or
  // OutOfMemory; a validator that is not ready returns that status from
  // every validation.
  Status status() const { return status_; }
  // The encoding's name as the program spells it, or null if unknown.
  const char* encodingName() const;
  // The error number of the last ReadFailed or OpenFailed, else 0.
  int errorNumber() const;

  // Sets the options of the validations that follow (none asked for at
  // first): Valid, or Busy from inside a validation, which keeps its own.
  Status SetOptions(const Options& options);
  Options options() const;

  // Validates `size` bytes at `data`, which are not copied.
  Status Validate(const void* data, std::size_t size, ProblemFunction onProblem, void* context);
  // Validates the bytes `read` gives, pulled in pieces of any size.
  Status ValidateReader(ReadFunction read, void* readContext, ProblemFunction onProblem,
                        void* context);
  // Validates the file at `path`, read as raw bytes.
  Status ValidateFile(const char* path, ProblemFunction onProblem, void* context);

  // The same with any callable; return false from it to stop.
  Status Validate(const void* data, std::size_t size,
                  const std::function<bool(const Problem&)>& onProblem);
  Status ValidateReader(const std::function<std::ptrdiff_t(std::uint8_t*, std::size_t)>& read,
                        const std::function<bool(const Problem&)>& onProblem);
  Status ValidateFile(const char* path, const std::function<bool(const Problem&)>& onProblem);

  // The same, collecting the problems into `*problems` (appended), at most
  // `maxProblems` of them: when there are more, validation stops at the
  // first one beyond the limit, which is not kept, with Stopped. Each
  // problem costs 40 bytes; where the memory for one cannot be had,
  // validation stops with OutOfMemory.
  Status Validate(const void* data, std::size_t size, std::vector<Problem>* problems,
                  std::size_t maxProblems = SIZE_MAX);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  Status status_;
};

// Finds the encodings under which bytes are valid: for each of the eight, the
// answer a Validator would give, each encoding stopped at its first problem.
// Holds a validator per encoding (made once, as a Validator is), and the
// options for all of them (`strict` applies; `lines` changes nothing here).
// Inputs of up to 1 MiB are read into memory and checked one encoding after
// another; a longer reader or file is read once, into a ring of 1 MiB that
// the encodings still alive share, each on a thread of its own started and
// joined within the call. Where a thread cannot be started, a file is read
// again for each encoding that lacked one, and a reader gives OutOfMemory.
// Wrong use is answered as by a Validator: BadArgument, Busy.
class CODVET_API EncodingFinder {
 public:
  // status() says whether it is ready: Valid, else OutOfMemory.
  EncodingFinder();
  ~EncodingFinder();
  EncodingFinder(EncodingFinder&& other) noexcept;
  EncodingFinder& operator=(EncodingFinder&& other) noexcept;

  Status status() const { return status_; }
  // The error number of the last ReadFailed or OpenFailed, else 0.
  int errorNumber() const;
  Status SetOptions(const Options& options);

  // Each sets *validMask to bit i for each EncodingName(i) under which the
  // whole input is valid and returns Valid, or returns why there is no
  // answer (ReadFailed, OpenFailed, OutOfMemory, BadArgument, Busy) with
  // *validMask 0. The read function is called on the calling thread only.
  Status Find(const void* data, std::size_t size, unsigned* validMask);
  Status FindReader(ReadFunction read, void* readContext, unsigned* validMask);
  Status FindFile(const char* path, unsigned* validMask);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  Status status_;
};

}  // namespace codvet

#endif  // CODVET_CODVET_H_
