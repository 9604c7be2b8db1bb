#include <new>

#include "codvet/codvet.h"
#include "codvet/codvet_c.h"

struct codvet_validator {
  explicit codvet_validator(const char* encoding) : validator(encoding) {}
  codvet::Validator validator;
};

namespace {

static_assert(CODVET_MESSAGE_COUNT == codvet::kMessageCount);
static_assert(static_cast<int>(codvet::Status::UnknownEncoding) == CODVET_UNKNOWN_ENCODING);
static_assert(static_cast<int>(codvet::Status::BadArgument) == CODVET_BAD_ARGUMENT);
static_assert(static_cast<int>(codvet::Status::Busy) == CODVET_BUSY);

codvet_status ToC(codvet::Status status) {
  return static_cast<codvet_status>(status);
}

// The C problem function and its context, behind the C++ one.
struct ProblemCall {
  codvet_problem_fn onProblem;
  void* context;
};

codvet_problem ToC(const codvet::Problem& problem) {
  codvet_problem out;
  out.offset = problem.offset;
  out.message = static_cast<int>(problem.message);
  out.has_value = problem.hasValue ? 1 : 0;
  out.line = problem.line;
  out.column = problem.column;
  out.value = problem.value;
  return out;
}

bool CallProblem(void* context, const codvet::Problem& problem) {
  const ProblemCall& call = *static_cast<const ProblemCall*>(context);
  codvet_problem out = ToC(problem);
  return call.onProblem(call.context, &out) != 0;
}

// The caller's array and how much of it is filled.
struct ArrayCall {
  codvet_problem* problems;
  size_t capacity;
  size_t count;
};

bool StoreProblem(void* context, const codvet::Problem& problem) {
  ArrayCall& call = *static_cast<ArrayCall*>(context);
  if (call.count == call.capacity) return false;
  call.problems[call.count++] = ToC(problem);
  return true;
}

struct ReadCall {
  codvet_read_fn read;
  void* context;
};

std::ptrdiff_t CallRead(void* context, std::uint8_t* buffer, std::size_t size) {
  const ReadCall& call = *static_cast<const ReadCall*>(context);
  return call.read(call.context, buffer, size);
}

// The catalogue's views end where their literals end, so their data is a C
// string.
const char* Text(std::string_view text) {
  return text.empty() ? nullptr : text.data();
}

}  // namespace

extern "C" {

codvet_status codvet_validator_new(const char* encoding, codvet_validator** out) {
  if (out == nullptr) return CODVET_BAD_ARGUMENT;
  *out = nullptr;
  if (encoding == nullptr) return CODVET_BAD_ARGUMENT;
  codvet_validator* made = new (std::nothrow) codvet_validator(encoding);
  if (made == nullptr) return CODVET_OUT_OF_MEMORY;
  codvet::Status status = made->validator.status();
  if (status != codvet::Status::Valid) {
    delete made;
    return ToC(status);
  }
  *out = made;
  return CODVET_VALID;
}

void codvet_validator_free(codvet_validator* validator) {
  delete validator;
}

const char* codvet_validator_encoding(const codvet_validator* validator) {
  return validator != nullptr ? validator->validator.encodingName() : nullptr;
}

codvet_status codvet_validator_set_options(codvet_validator* validator, unsigned options) {
  if (validator == nullptr || (options & ~(CODVET_OPTION_LINES | CODVET_OPTION_STRICT)) != 0)
    return CODVET_BAD_ARGUMENT;
  codvet::Options set;
  set.lines = (options & CODVET_OPTION_LINES) != 0;
  set.strict = (options & CODVET_OPTION_STRICT) != 0;
  return ToC(validator->validator.SetOptions(set));
}

codvet_status codvet_validate(codvet_validator* validator, const void* data, size_t size,
                              codvet_problem_fn on_problem, void* context) {
  if (validator == nullptr || (data == nullptr && size != 0)) return CODVET_BAD_ARGUMENT;
  ProblemCall call{on_problem, context};
  return ToC(validator->validator.Validate(data, size, on_problem ? CallProblem : nullptr, &call));
}

codvet_status codvet_validate_collect(codvet_validator* validator, const void* data, size_t size,
                                      codvet_problem* problems, size_t capacity, size_t* count) {
  if (count != nullptr) *count = 0;
  if (validator == nullptr || count == nullptr || (data == nullptr && size != 0) ||
      (problems == nullptr && capacity != 0)) {
    return CODVET_BAD_ARGUMENT;
  }
  ArrayCall call{problems, capacity, 0};
  codvet_status status = ToC(validator->validator.Validate(data, size, StoreProblem, &call));
  *count = call.count;
  return status;
}

codvet_status codvet_validate_reader(codvet_validator* validator, codvet_read_fn read,
                                     void* read_context, codvet_problem_fn on_problem,
                                     void* context) {
  if (validator == nullptr || read == nullptr) return CODVET_BAD_ARGUMENT;
  ReadCall readCall{read, read_context};
  ProblemCall call{on_problem, context};
  return ToC(validator->validator.ValidateReader(CallRead, &readCall,
                                                 on_problem ? CallProblem : nullptr, &call));
}

codvet_status codvet_validate_file(codvet_validator* validator, const char* path,
                                   codvet_problem_fn on_problem, void* context) {
  if (validator == nullptr || path == nullptr) return CODVET_BAD_ARGUMENT;
  ProblemCall call{on_problem, context};
  return ToC(validator->validator.ValidateFile(path, on_problem ? CallProblem : nullptr, &call));
}

int codvet_error_number(const codvet_validator* validator) {
  return validator != nullptr ? validator->validator.errorNumber() : 0;
}

const char* codvet_encoding_name(int index) {
  return codvet::EncodingName(index);
}

const char* codvet_message_name(int message) {
  return Text(codvet::MessageName(static_cast<codvet::MessageId>(message)));
}

const char* codvet_message_english(int message) {
  return Text(codvet::MessageEnglish(static_cast<codvet::MessageId>(message)));
}

const char* codvet_message_japanese(int message) {
  return Text(codvet::MessageJapanese(static_cast<codvet::MessageId>(message)));
}

const char* codvet_message_report_text(int message) {
  return Text(codvet::MessageReportText(static_cast<codvet::MessageId>(message)));
}

const char* codvet_status_text(codvet_status status) {
  switch (status) {
    case CODVET_VALID:
      return "valid";
    case CODVET_INVALID:
      return "invalid";
    case CODVET_STOPPED:
      return "stopped";
    case CODVET_READ_FAILED:
      return "read failed";
    case CODVET_OPEN_FAILED:
      return "open failed";
    case CODVET_OUT_OF_MEMORY:
      return "out of memory";
    case CODVET_UNKNOWN_ENCODING:
      return "unknown encoding";
    case CODVET_BAD_ARGUMENT:
      return "bad argument";
    case CODVET_BUSY:
      return "busy";
  }
  return "unknown status";
}

}  // extern "C"

struct codvet_finder {
  codvet::EncodingFinder finder;
};

extern "C" {

codvet_status codvet_finder_new(codvet_finder** out) {
  if (out == nullptr) return CODVET_BAD_ARGUMENT;
  *out = nullptr;
  codvet_finder* made = new (std::nothrow) codvet_finder;
  if (made == nullptr) return CODVET_OUT_OF_MEMORY;
  codvet::Status status = made->finder.status();
  if (status != codvet::Status::Valid) {
    delete made;
    return ToC(status);
  }
  *out = made;
  return CODVET_VALID;
}

void codvet_finder_free(codvet_finder* finder) {
  delete finder;
}

codvet_status codvet_finder_set_options(codvet_finder* finder, unsigned options) {
  if (finder == nullptr || (options & ~(CODVET_OPTION_LINES | CODVET_OPTION_STRICT)) != 0)
    return CODVET_BAD_ARGUMENT;
  codvet::Options set;
  set.lines = (options & CODVET_OPTION_LINES) != 0;
  set.strict = (options & CODVET_OPTION_STRICT) != 0;
  return ToC(finder->finder.SetOptions(set));
}

codvet_status codvet_find_encodings(codvet_finder* finder, const void* data, size_t size,
                                    unsigned* valid_mask) {
  if (finder == nullptr) return CODVET_BAD_ARGUMENT;
  return ToC(finder->finder.Find(data, size, valid_mask));
}

codvet_status codvet_find_encodings_reader(codvet_finder* finder, codvet_read_fn read,
                                           void* read_context, unsigned* valid_mask) {
  if (finder == nullptr || read == nullptr) {
    if (valid_mask != nullptr) *valid_mask = 0;
    return CODVET_BAD_ARGUMENT;
  }
  ReadCall call{read, read_context};
  return ToC(finder->finder.FindReader(CallRead, &call, valid_mask));
}

codvet_status codvet_find_encodings_file(codvet_finder* finder, const char* path,
                                         unsigned* valid_mask) {
  if (finder == nullptr) return CODVET_BAD_ARGUMENT;
  return ToC(finder->finder.FindFile(path, valid_mask));
}

int codvet_finder_error_number(const codvet_finder* finder) {
  return finder != nullptr ? finder->finder.errorNumber() : 0;
}

}  // extern "C"
