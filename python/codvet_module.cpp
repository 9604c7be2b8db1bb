// The Python module codvet._codvet: the library's Validator behind
// validate() and validate_file(), each problem as a small Problem object.
#include <Python.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "codvet/codvet.h"

namespace py = pybind11;

namespace {

// Names longer than this are cut in the error message: the name is the
// caller's, and may be as long as any string.
constexpr Py_ssize_t kShownNameLength = 40;

// The encoding name as UTF-8. Only str is a name, as for Python's own codecs;
// a str that has no UTF-8 form matches no name.
std::string EncodingArgument(const py::handle& encoding) {
  if (!PyUnicode_Check(encoding.ptr())) {
    throw py::type_error(std::string("encoding must be str, not ") +
                         Py_TYPE(encoding.ptr())->tp_name);
  }
  Py_ssize_t size = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(encoding.ptr(), &size);
  if (utf8 == nullptr) {
    PyErr_Clear();
    return std::string();
  }
  return std::string(utf8, static_cast<std::size_t>(size));
}

[[noreturn]] void ThrowUnknownEncoding(const py::handle& encoding) {
  py::str name = py::reinterpret_borrow<py::str>(encoding);
  bool cut = py::len(name) > static_cast<std::size_t>(kShownNameLength);
  std::string shown = py::repr(cut ? py::str(name[py::slice(0, kShownNameLength, 1)]) : name);
  std::string names;
  for (int i = 0; i < codvet::kEncodingCount; ++i) {
    names += std::string(i == 0 ? "" : ", ") + codvet::EncodingName(i);
  }
  throw py::value_error("unknown encoding name: " + shown + (cut ? "..." : "") +
                        " (known: " + names + ")");
}

// The validator for `encoding` on this thread, or ValueError naming the
// accepted names. Each thread keeps one validator per encoding, so that the
// code sets are loaded once rather than on every call, and no two threads
// ever share one (the GIL is released while they run).
codvet::Validator& ValidatorFor(const py::handle& encoding) {
  thread_local std::unique_ptr<codvet::Validator> validators[codvet::kEncodingCount];
  std::string wanted = EncodingArgument(encoding);
  for (int i = 0; i < codvet::kEncodingCount; ++i) {
    std::string_view name = codvet::EncodingName(i);
    bool same = name.size() == wanted.size();
    for (std::size_t k = 0; same && k < name.size(); ++k) {
      char c = wanted[k];
      same = name[k] == (c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    if (!same) continue;
    if (!validators[i]) validators[i] = std::make_unique<codvet::Validator>(name.data());
    if (validators[i]->status() != codvet::Status::Valid) {
      validators[i].reset();
      throw std::bad_alloc();
    }
    return *validators[i];
  }
  ThrowUnknownEncoding(encoding);
}

// How one validation came out, with the error number of the validator that
// ran it.
struct Outcome {
  codvet::Status status;
  int errorNumber;
};

// Runs `body` on `validator`. The thread's validator is busy only when a
// Python signal handler, run while it waits for a file, validates again:
// that call gets a validator of its own.
template <typename Body>
Outcome RunOn(codvet::Validator& validator, const Body& body) {
  codvet::Status status = body(validator);
  if (status != codvet::Status::Busy) return {status, validator.errorNumber()};
  codvet::Validator spare(validator.encodingName());
  return {body(spare), spare.errorNumber()};
}

codvet::Options Options(bool strict, bool lines) {
  codvet::Options options;
  options.strict = strict;
  options.lines = lines;
  return options;
}

// The problems of one validation, at most `room` of them.
struct Collector {
  std::vector<codvet::Problem> problems;
  std::size_t room = SIZE_MAX;
  bool outOfMemory = false;

  static bool Add(void* context, const codvet::Problem& problem) {
    Collector& self = *static_cast<Collector*>(context);
    if (self.room == 0) return false;
    try {
      self.problems.push_back(problem);
    } catch (const std::bad_alloc&) {
      self.outOfMemory = true;
      return false;
    }
    --self.room;
    return true;
  }
};

// max_problems: None for no limit, else a count from 0.
std::size_t ProblemLimit(const py::object& maxProblems) {
  if (maxProblems.is_none()) return SIZE_MAX;
  if (!PyLong_Check(maxProblems.ptr())) throw py::type_error("max_problems must be int or None");
  long long limit = PyLong_AsLongLong(maxProblems.ptr());
  if (limit == -1 && PyErr_Occurred()) {
    PyErr_Clear();
    return SIZE_MAX;  // beyond any count of problems
  }
  if (limit < 0) throw py::value_error("max_problems must not be negative");
  return static_cast<unsigned long long>(limit) < SIZE_MAX ? static_cast<std::size_t>(limit)
                                                           : SIZE_MAX;
}

// The type of problem objects, a named tuple of the C API, and the texts
// they share, one str per message and half: made once, when the module is
// imported. Problems can come by the million, and a struct sequence with
// shared texts costs a fraction of a class instance.
PyTypeObject* problemType = nullptr;
PyObject* messageTexts[codvet::kMessageCount][3];
// codvet.ProblemList, the list the validations return.
PyObject* problemListType = nullptr;

PyStructSequence_Field kProblemFields[] = {
    {"offset", "where the character concerned starts, in bytes from 0"},
    {"identifier", "the message's identifier, as \"MsgInvalidCharacter\""},
    {"english", "the English half of the message"},
    {"japanese", "the Japanese half of the message"},
    {"value", "the value built from the bytes concerned, or None"},
    {"line", "its line from 1, or None unless lines=True"},
    {"column", "its column from 1, or None unless lines=True"},
    {nullptr, nullptr}};
PyStructSequence_Desc kProblemDesc = {
    "codvet.Problem", "One problem, as the codvet program reports it.", kProblemFields, 7};

// A line or column: 0 means not counted.
py::object Position(std::int64_t position) {
  return position != 0 ? py::reinterpret_steal<py::object>(PyLong_FromLongLong(position))
                       : py::none();
}

py::object ToList(const std::vector<codvet::Problem>& problems, bool truncated) {
  py::list list(problems.size());
  for (std::size_t i = 0; i < problems.size(); ++i) {
    const codvet::Problem& problem = problems[i];
    py::object item = py::reinterpret_steal<py::object>(PyStructSequence_New(problemType));
    py::object offset = py::reinterpret_steal<py::object>(PyLong_FromLongLong(problem.offset));
    py::object value =
        problem.hasValue ? py::reinterpret_steal<py::object>(PyLong_FromUnsignedLong(problem.value))
                         : py::none();
    py::object line = Position(problem.line);
    py::object column = Position(problem.column);
    if (!item || !offset || !value || !line || !column) throw py::error_already_set();
    PyStructSequence_SetItem(item.ptr(), 0, offset.release().ptr());
    PyObject* const* texts = messageTexts[static_cast<int>(problem.message)];
    for (int k = 0; k < 3; ++k) {
      Py_INCREF(texts[k]);
      PyStructSequence_SetItem(item.ptr(), 1 + k, texts[k]);
    }
    PyStructSequence_SetItem(item.ptr(), 4, value.release().ptr());
    PyStructSequence_SetItem(item.ptr(), 5, line.release().ptr());
    PyStructSequence_SetItem(item.ptr(), 6, column.release().ptr());
    // Numbers and strings make no cycles: the collector need not watch it.
    PyObject_GC_UnTrack(item.ptr());
    PyList_SET_ITEM(list.ptr(), static_cast<Py_ssize_t>(i), item.release().ptr());
  }
  py::object result = py::reinterpret_borrow<py::object>(problemListType)(list);
  if (truncated) result.attr("truncated") = true;
  return result;
}

// The list of problems, or the exception the outcome calls for.
py::object Finish(const Outcome& outcome, const Collector& collector, const py::object* path) {
  if (outcome.status == codvet::Status::OutOfMemory || collector.outOfMemory) {
    throw std::bad_alloc();
  }
  if (outcome.status == codvet::Status::OpenFailed ||
      outcome.status == codvet::Status::ReadFailed) {
    errno = outcome.errorNumber;
    PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, path != nullptr ? path->ptr() : nullptr);
    throw py::error_already_set();
  }
  return ToList(collector.problems, outcome.status == codvet::Status::Stopped);
}

// The bytes of any buffer that is one C-contiguous run, held for the call.
// A strided or otherwise scattered buffer is refused with BufferError rather
// than read as if it were one run.
class ContiguousBytes {
 public:
  explicit ContiguousBytes(const py::handle& data) {
    if (PyObject_GetBuffer(data.ptr(), &view_, PyBUF_SIMPLE) != 0) throw py::error_already_set();
  }
  ~ContiguousBytes() { PyBuffer_Release(&view_); }
  ContiguousBytes(const ContiguousBytes&) = delete;
  ContiguousBytes& operator=(const ContiguousBytes&) = delete;
  const void* data() const { return view_.buf; }
  std::size_t size() const { return static_cast<std::size_t>(view_.len); }

 private:
  Py_buffer view_;
};

// Validates the bytes of any contiguous buffer in place, without the GIL.
py::object Validate(const py::object& data, const py::object& encoding,
                    const py::object& maxProblems, bool strict, bool lines) {
  codvet::Validator& validator = ValidatorFor(encoding);
  Collector collector;
  collector.room = ProblemLimit(maxProblems);
  ContiguousBytes bytes(data);
  Outcome outcome;
  {
    py::gil_scoped_release release;
    outcome = RunOn(validator, [&](codvet::Validator& v) {
      v.SetOptions(Options(strict, lines));
      return v.Validate(bytes.data(), bytes.size(), &Collector::Add, &collector);
    });
  }
  return Finish(outcome, collector, nullptr);
}

bool IsValid(const py::object& data, const py::object& encoding, bool strict) {
  codvet::Validator& validator = ValidatorFor(encoding);
  ContiguousBytes bytes(data);
  Outcome outcome;
  {
    py::gil_scoped_release release;
    outcome = RunOn(validator, [&](codvet::Validator& v) {
      v.SetOptions(Options(strict, false));
      return v.Validate(bytes.data(), bytes.size(), nullptr, nullptr);
    });
  }
  if (outcome.status == codvet::Status::OutOfMemory) throw std::bad_alloc();
  return outcome.status == codvet::Status::Valid;
}

// A file read for validation with the GIL released. Reads and the open are
// retried after a signal, as the program does, but first the Python signal
// handlers run: an exception from one (KeyboardInterrupt) ends the
// validation, so that a FIFO with no writer, or a writer that never writes,
// cannot hold the caller for ever.
class InterruptibleFile {
 public:
  // Opens `name`; on failure fd() is -1 and the error number is kept, or a
  // Python exception is pending when a signal handler raised one.
  explicit InterruptibleFile(const char* name) {
    for (;;) {
      {
        py::gil_scoped_release release;
        fd_ = open(name, O_RDONLY | O_CLOEXEC);
        errorNumber_ = fd_ < 0 ? errno : 0;
      }
      if (fd_ >= 0 || errorNumber_ != EINTR) break;
      if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    }
#ifdef POSIX_FADV_SEQUENTIAL
    if (fd_ >= 0) posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
  }
  ~InterruptibleFile() {
    if (fd_ >= 0) close(fd_);
  }
  InterruptibleFile(const InterruptibleFile&) = delete;
  InterruptibleFile& operator=(const InterruptibleFile&) = delete;

  int fd() const {
    return fd_;
  }
  int errorNumber() const {
    return errorNumber_;
  }
  // True when a signal handler raised while a read waited; the exception is
  // pending in the thread.
  bool interrupted() const {
    return interrupted_;
  }

  // A codvet::ReadFunction, called without the GIL.
  static std::ptrdiff_t Read(void* context, std::uint8_t* buffer, std::size_t size) {
    InterruptibleFile& self = *static_cast<InterruptibleFile*>(context);
    for (;;) {
      ssize_t got = read(self.fd_, buffer, size);
      if (got >= 0) return got;
      if (errno != EINTR) return -errno;
      py::gil_scoped_acquire gil;
      if (PyErr_CheckSignals() != 0) {
        self.interrupted_ = true;
        return -EINTR;
      }
    }
  }

 private:
  int fd_ = -1;
  int errorNumber_ = 0;
  bool interrupted_ = false;
};

// The path as bytes for open(2); errors name it as given.
std::string PathArgument(const py::object& path) {
  std::string name = py::module_::import("os").attr("fsencode")(path).cast<std::string>();
  if (name.find('\0') != std::string::npos) throw py::value_error("embedded null byte");
  return name;
}

// Validates a file through `problem` (null: up to the first problem).
Outcome RunOnFile(const py::object& path, const py::object& encoding,
                  const codvet::Options& options, codvet::ProblemFunction problem, void* context) {
  std::string name = PathArgument(path);
  codvet::Validator& validator = ValidatorFor(encoding);
  InterruptibleFile file(name.c_str());
  if (file.fd() < 0) return {codvet::Status::OpenFailed, file.errorNumber()};
  Outcome outcome;
  {
    py::gil_scoped_release release;
    outcome = RunOn(validator, [&](codvet::Validator& v) {
      v.SetOptions(options);
      return v.ValidateReader(&InterruptibleFile::Read, &file, problem, context);
    });
  }
  if (file.interrupted()) throw py::error_already_set();
  return outcome;
}

// `path` is anything os.fsencode takes.
py::object ValidateFile(const py::object& path, const py::object& encoding,
                        const py::object& maxProblems, bool strict, bool lines) {
  Collector collector;
  collector.room = ProblemLimit(maxProblems);
  Outcome outcome = RunOnFile(path, encoding, Options(strict, lines), &Collector::Add, &collector);
  return Finish(outcome, collector, &path);
}

bool IsValidFile(const py::object& path, const py::object& encoding, bool strict) {
  Outcome outcome = RunOnFile(path, encoding, Options(strict, false), nullptr, nullptr);
  Collector none;
  Finish(outcome, none, &path);
  return outcome.status == codvet::Status::Valid;
}

// The thread's finder, made at its first use.
codvet::EncodingFinder& Finder() {
  thread_local std::unique_ptr<codvet::EncodingFinder> finder;
  if (!finder) finder = std::make_unique<codvet::EncodingFinder>();
  if (finder->status() != codvet::Status::Valid) {
    finder.reset();
    throw std::bad_alloc();
  }
  return *finder;
}

// Runs `body` on the thread's finder without the GIL, on a spare one when a
// signal handler's call finds it busy, as RunOn does; the names of the
// encodings found, or the exception the outcome calls for.
template <typename Body>
py::list FindEncodings(const py::object* path, const Body& body) {
  codvet::EncodingFinder& finder = Finder();
  unsigned mask = 0;
  Outcome outcome;
  {
    py::gil_scoped_release release;
    codvet::Status status = body(finder, &mask);
    outcome = {status, finder.errorNumber()};
    if (status == codvet::Status::Busy) {
      codvet::EncodingFinder spare;
      outcome.status =
          spare.status() == codvet::Status::Valid ? body(spare, &mask) : spare.status();
      outcome.errorNumber = spare.errorNumber();
    }
  }
  Collector none;
  Finish(outcome, none, path);
  py::list names;
  for (int i = 0; i < codvet::kEncodingCount; ++i) {
    if ((mask >> i & 1) != 0) names.append(codvet::EncodingName(i));
  }
  return names;
}

py::list ValidEncodings(const py::object& data, bool strict) {
  ContiguousBytes bytes(data);
  return FindEncodings(nullptr, [&](codvet::EncodingFinder& finder, unsigned* mask) {
    finder.SetOptions(Options(strict, false));
    return finder.Find(bytes.data(), bytes.size(), mask);
  });
}

py::list ValidEncodingsFile(const py::object& path, bool strict) {
  std::string name = PathArgument(path);
  InterruptibleFile file(name.c_str());
  if (file.fd() < 0) {
    errno = file.errorNumber();
    PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, path.ptr());
    throw py::error_already_set();
  }
  py::list names = FindEncodings(&path, [&](codvet::EncodingFinder& finder, unsigned* mask) {
    finder.SetOptions(Options(strict, false));
    return finder.FindReader(&InterruptibleFile::Read, &file, mask);
  });
  if (file.interrupted()) throw py::error_already_set();
  return names;
}

PyObject* NewText(std::string_view text) {
  return py::str(text.data(), text.size()).release().ptr();
}

}  // namespace

PYBIND11_MODULE(_codvet, m) {
  m.doc() = "Validates bytes in the Japanese text encodings the codvet program knows.";
  problemType = PyStructSequence_NewType(&kProblemDesc);
  if (problemType == nullptr) throw py::error_already_set();
  m.attr("Problem") = py::handle(reinterpret_cast<PyObject*>(problemType));
  for (int i = 0; i < codvet::kMessageCount; ++i) {
    auto id = static_cast<codvet::MessageId>(i);
    messageTexts[i][0] = NewText(codvet::MessageName(id));
    messageTexts[i][1] = NewText(codvet::MessageEnglish(id));
    messageTexts[i][2] = NewText(codvet::MessageJapanese(id));
  }
  problemListType = PyObject_CallFunction(
      reinterpret_cast<PyObject*>(&PyType_Type), "s(O){sssssO}", "ProblemList",
      reinterpret_cast<PyObject*>(&PyList_Type), "__module__", "codvet", "__doc__",
      "The problems of one input, in input order. truncated is True when "
      "validation stopped at max_problems with more problems to come.",
      "truncated", Py_False);
  if (problemListType == nullptr) throw py::error_already_set();
  m.attr("ProblemList") = py::handle(problemListType);
  m.def("validate", &Validate, py::arg("data"), py::arg("encoding"), py::kw_only(),
        py::arg("max_problems") = py::none(), py::arg("strict") = false, py::arg("lines") = false,
        "The problems of the bytes in data (bytes or any C-contiguous buffer, not copied), in "
        "input order, at most max_problems of them; empty when they are well formed. strict "
        "applies the strict rules; lines gives each problem its line and column.");
  m.def("validate_file", &ValidateFile, py::arg("path"), py::arg("encoding"), py::kw_only(),
        py::arg("max_problems") = py::none(), py::arg("strict") = false, py::arg("lines") = false,
        "The problems of the file at path (str, bytes or os.PathLike), read as raw bytes, at "
        "most max_problems of them.");
  m.def("is_valid", &IsValid, py::arg("data"), py::arg("encoding"), py::kw_only(),
        py::arg("strict") = false,
        "Whether the bytes in data are well formed; stops at the first problem.");
  m.def("is_valid_file", &IsValidFile, py::arg("path"), py::arg("encoding"), py::kw_only(),
        py::arg("strict") = false,
        "Whether the file at path is well formed; stops at the first problem.");
  m.def("valid_encodings", &ValidEncodings, py::arg("data"), py::kw_only(),
        py::arg("strict") = false,
        "The names of the encodings under which the bytes in data are valid, in the order of "
        "ENCODINGS.");
  m.def("valid_encodings_file", &ValidEncodingsFile, py::arg("path"), py::kw_only(),
        py::arg("strict") = false,
        "The names of the encodings under which the file at path is valid, read once.");
  py::list names;
  for (int i = 0; i < codvet::kEncodingCount; ++i) names.append(codvet::EncodingName(i));
  m.attr("ENCODINGS") = py::tuple(names);
}
