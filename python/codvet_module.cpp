// The Python module codvet._codvet: the library's Validator behind
// validate() and validate_file(), each problem as a small Problem object.
#include <Python.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "codvet/codvet.h"

namespace py = pybind11;

namespace {

// The validator for `encoding` on this thread, or ValueError naming the
// accepted names. Each thread keeps one validator per encoding, so that the
// code sets are loaded once rather than on every call, and no two threads
// ever share one (the GIL is released while they run).
codvet::Validator& ValidatorFor(const std::string& encoding) {
  thread_local std::unique_ptr<codvet::Validator> validators[codvet::kEncodingCount];
  for (int i = 0; i < codvet::kEncodingCount; ++i) {
    std::string_view name = codvet::EncodingName(i);
    bool same = name.size() == encoding.size();
    for (std::size_t k = 0; same && k < name.size(); ++k) {
      char c = encoding[k];
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
  std::string names;
  for (int i = 0; i < codvet::kEncodingCount; ++i) {
    names += std::string(i == 0 ? "" : ", ") + codvet::EncodingName(i);
  }
  throw py::value_error("unknown encoding name: " + std::string(py::repr(py::str(encoding))) +
                        " (known: " + names + ")");
}

// The type of problem objects, a named tuple of the C API, and the texts
// they share, one str per message and half: made once, when the module is
// imported. Problems can come by the million, and a struct sequence with
// shared texts costs a fraction of a class instance.
PyTypeObject* problemType = nullptr;
PyObject* messageTexts[codvet::kMessageCount][3];

PyStructSequence_Field kProblemFields[] = {
    {"offset", "where the character concerned starts, in bytes from 0"},
    {"identifier", "the message's identifier, as \"MsgInvalidCharacter\""},
    {"english", "the English half of the message"},
    {"japanese", "the Japanese half of the message"},
    {"value", "the value built from the bytes concerned, or None"},
    {nullptr, nullptr}};
PyStructSequence_Desc kProblemDesc = {
    "codvet.Problem", "One problem, as the codvet program reports it.", kProblemFields, 5};

py::list ToList(const std::vector<codvet::Problem>& problems) {
  py::list list(problems.size());
  for (std::size_t i = 0; i < problems.size(); ++i) {
    const codvet::Problem& problem = problems[i];
    py::object item = py::reinterpret_steal<py::object>(PyStructSequence_New(problemType));
    py::object offset = py::reinterpret_steal<py::object>(PyLong_FromLongLong(problem.offset));
    py::object value =
        problem.hasValue ? py::reinterpret_steal<py::object>(PyLong_FromUnsignedLong(problem.value))
                         : py::none();
    if (!item || !offset || !value) throw py::error_already_set();
    PyStructSequence_SetItem(item.ptr(), 0, offset.release().ptr());
    PyObject* const* texts = messageTexts[static_cast<int>(problem.message)];
    for (int k = 0; k < 3; ++k) {
      Py_INCREF(texts[k]);
      PyStructSequence_SetItem(item.ptr(), 1 + k, texts[k]);
    }
    PyStructSequence_SetItem(item.ptr(), 4, value.release().ptr());
    // Numbers and strings make no cycles: the collector need not watch it.
    PyObject_GC_UnTrack(item.ptr());
    PyList_SET_ITEM(list.ptr(), static_cast<Py_ssize_t>(i), item.release().ptr());
  }
  return list;
}

// Validates the bytes of any contiguous buffer in place, without the GIL.
py::list Validate(py::buffer data, const std::string& encoding) {
  codvet::Validator& validator = ValidatorFor(encoding);
  py::buffer_info info = data.request();
  if (info.ndim > 1 && info.strides.back() != info.itemsize) {
    throw py::type_error("validate() needs a contiguous buffer");
  }
  std::vector<codvet::Problem> problems;
  {
    py::gil_scoped_release release;
    validator.Validate(info.ptr, static_cast<std::size_t>(info.size * info.itemsize), &problems);
  }
  return ToList(problems);
}

// `path` is anything os.fsencode takes; errors name it as given.
py::list ValidateFile(const py::object& path, const std::string& encoding) {
  std::string name = py::module_::import("os").attr("fsencode")(path).cast<std::string>();
  if (name.find('\0') != std::string::npos) throw py::value_error("embedded null byte");
  codvet::Validator& validator = ValidatorFor(encoding);
  std::vector<codvet::Problem> problems;
  codvet::Status status;
  {
    py::gil_scoped_release release;
    status = validator.ValidateFile(name.c_str(), [&](const codvet::Problem& problem) {
      problems.push_back(problem);
      return true;
    });
  }
  if (status == codvet::Status::OpenFailed || status == codvet::Status::ReadFailed) {
    errno = validator.errorNumber();
    PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, path.ptr());
    throw py::error_already_set();
  }
  return ToList(problems);
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
  m.def("validate", &Validate, py::arg("data"), py::arg("encoding"),
        "The problems of the bytes in data (bytes or any contiguous buffer, not copied), in "
        "input order; empty when they are well formed.");
  m.def("validate_file", &ValidateFile, py::arg("path"), py::arg("encoding"),
        "The problems of the file at path (str, bytes or os.PathLike), read as raw bytes.");
  py::list names;
  for (int i = 0; i < codvet::kEncodingCount; ++i) names.append(codvet::EncodingName(i));
  m.attr("ENCODINGS") = py::tuple(names);
}
