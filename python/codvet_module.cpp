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

py::list ToList(const std::vector<codvet::Problem>& problems) {
  py::list list(problems.size());
  for (std::size_t i = 0; i < problems.size(); ++i) list[i] = py::cast(problems[i]);
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

py::str Text(std::string_view text) {
  return py::str(text.data(), text.size());
}

}  // namespace

PYBIND11_MODULE(_codvet, m) {
  m.doc() = "Validates bytes in the Japanese text encodings the codvet program knows.";
  py::class_<codvet::Problem>(m, "Problem")
      .def_readonly("offset", &codvet::Problem::offset)
      .def_property_readonly("identifier",
                             [](const codvet::Problem& p) { return Text(MessageName(p.message)); })
      .def_property_readonly(
          "english", [](const codvet::Problem& p) { return Text(MessageEnglish(p.message)); })
      .def_property_readonly(
          "japanese", [](const codvet::Problem& p) { return Text(MessageJapanese(p.message)); })
      .def_property_readonly("value",
                             [](const codvet::Problem& p) -> py::object {
                               if (!p.hasValue) return py::none();
                               return py::int_(p.value);
                             })
      .def("__eq__",
           [](const codvet::Problem& a, const codvet::Problem& b) {
             return a.offset == b.offset && a.message == b.message && a.hasValue == b.hasValue &&
                    a.value == b.value;
           })
      .def("__repr__", [](const codvet::Problem& p) {
        char value[16] = "None";
        if (p.hasValue) std::snprintf(value, sizeof value, "0x%x", p.value);
        return "Problem(offset=" + std::to_string(p.offset) + ", identifier='" +
               std::string(MessageName(p.message)) + "', value=" + value + ")";
      });
  m.def("validate", &Validate, py::arg("data"), py::arg("encoding"),
        "The problems of the bytes in data (bytes or any contiguous buffer, not copied), in "
        "input order; empty when they are well formed.");
  m.def("validate_file", &ValidateFile, py::arg("path"), py::arg("encoding"),
        "The problems of the file at path (str, bytes or os.PathLike), read as raw bytes.");
  py::list names;
  for (int i = 0; i < codvet::kEncodingCount; ++i) names.append(codvet::EncodingName(i));
  m.attr("ENCODINGS") = py::tuple(names);
}
