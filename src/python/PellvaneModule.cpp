// The extension module pellvane._pellvane: the command line's examination for Python. Each
// result is the object one line of `pellvane-validate --json` holds, as Python values.

#include "python/OrderedBatch.h"
#include "report/Examine.h"
#include "report/JsonReport.h"

#include <Python.h>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>
#include <thread>

namespace py = pybind11;

namespace pellvane::python {
namespace {

namespace fs = std::filesystem;

py::object PythonValue(const nlohmann::json& value) {
    using Type = nlohmann::json::value_t;
    switch (value.type()) {
    case Type::null:
    case Type::discarded:
        return py::none();
    case Type::boolean:
        return py::bool_(value.get<bool>());
    case Type::number_integer:
        return py::int_(value.get<int64_t>());
    case Type::number_unsigned:
        return py::int_(value.get<uint64_t>());
    case Type::number_float:
        return py::float_(value.get<double>());
    case Type::string:
        return py::str(value.get_ref<const std::string&>());
    case Type::binary:
        return py::bytes(reinterpret_cast<const char*>(value.get_binary().data()), value.get_binary().size());
    case Type::array: {
        py::list list;
        for (const nlohmann::json& element : value)
            list.append(PythonValue(element));
        return list;
    }
    case Type::object: {
        py::dict dict;
        for (const auto& [key, element] : value.items())
            dict[py::str(key)] = PythonValue(element);
        return dict;
    }
    }
    return py::none();
}

// The object as Python values, exactly as a reader of the command line's line gets it: the
// text goes through the same dump, so invalid UTF-8 from a file is replaced the same way.
py::dict ResultDict(const nlohmann::json& object) {
    const nlohmann::json clean = nlohmann::json::parse(report::JsonLine(object));
    return PythonValue(clean).cast<py::dict>();
}

[[noreturn]] void RaiseOsError(PyObject* type, int error, const std::string& path) {
    errno = error;
    PyErr_SetFromErrnoWithFilename(type, path.c_str());
    throw py::error_already_set();
}

// A path that names nothing, or a folder, raises as Python's open() would.
void RequireFile(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) RaiseOsError(PyExc_FileNotFoundError, ENOENT, path);
    if (fs::is_directory(status)) RaiseOsError(PyExc_IsADirectoryError, EISDIR, path);
}

py::dict Analyze(const fs::path& path) {
    const std::string name = path.string();
    RequireFile(name);
    nlohmann::json object;
    {
        const py::gil_scoped_release release;
        object = report::cExaminer().ExamineJson(name);
    }
    return ResultDict(object);
}

py::dict AnalyzeBytes(const py::buffer& data, const std::string& name) {
    // The view keeps the object's memory in place (a bytearray cannot be resized while it is
    // held), so the bytes can be read without the GIL.
    const py::buffer_info view = data.request();
    if (view.ndim > 1 && view.strides.back() != view.itemsize)
        throw py::type_error("analyze_bytes: data must be contiguous bytes");
    const std::span bytes(static_cast<const uint8_t*>(view.ptr),
                          static_cast<size_t>(view.size * view.itemsize));
    nlohmann::json object;
    {
        const py::gil_scoped_release release;
        object = report::cExaminer().ExamineBytesJson(bytes, name);
    }
    return ResultDict(object);
}

// The iterator analyze_many answers.
class cResultIterator {
  public:
    cResultIterator(std::vector<std::string> paths, size_t jobs)
        : batch_(std::make_unique<cOrderedBatch>(std::move(paths), jobs)) {}

    py::dict Next() {
        if (!batch_) throw py::stop_iteration();
        std::optional<nlohmann::json> object;
        {
            const py::gil_scoped_release release;
            object = batch_->Next();
        }
        if (!object) throw py::stop_iteration();
        return ResultDict(*object);
    }

    // Stops the workers now rather than when the iterator is collected.
    void Close() {
        const py::gil_scoped_release release;
        batch_.reset();
    }

  private:
    std::unique_ptr<cOrderedBatch> batch_;
};

cResultIterator AnalyzeMany(const py::iterable& paths, std::optional<size_t> jobs) {
    // Any iterable of str or os.PathLike, as open() takes them; nothing else.
    const py::object fspath = py::module_::import("os").attr("fspath");
    std::vector<std::string> names;
    for (const py::handle item : paths) {
        if (!py::isinstance<py::str>(item) && !py::hasattr(item, "__fspath__"))
            throw py::type_error("analyze_many: every path must be str or os.PathLike");
        names.push_back(py::cast<fs::path>(fspath(item)).string());
        RequireFile(names.back());
    }
    if (jobs && *jobs == 0) throw py::value_error("analyze_many: jobs must be at least 1");
    const size_t workers = jobs.value_or(std::max(1u, std::thread::hardware_concurrency()));
    return cResultIterator(std::move(names), workers);
}

} // namespace
} // namespace pellvane::python

PYBIND11_MODULE(_pellvane, module) {
    using namespace pellvane::python;
    module.doc() = "The analysis of Pellvane Photo Validator: the compiled part of the pellvane package.";
    module.attr("__version__") = PELLVANE_VERSION;

    module.def("analyze", &Analyze, py::arg("path"),
               R"doc(Examines one file and answers the object one line of `pellvane-validate --json` holds.

A file that is no JPEG picture, or whose structure is damaged, gives its refusal record
("status": "refused" with the reason in "error"); a path that names nothing raises
FileNotFoundError, a folder IsADirectoryError. The GIL is released while the file is analysed.)doc");

    module.def("analyze_bytes", &AnalyzeBytes, py::arg("data"), py::arg("name") = "",
               R"doc(Examines a file held in memory (any bytes-like object) and answers its object, with
`name` as its "file". The analysis reads from one private temporary file, removed before the
call returns. The GIL is released while the bytes are analysed.)doc");

    py::class_<cResultIterator>(module, "ResultIterator",
                                "The results of analyze_many, one dict per path, in the order of the paths.")
        .def("__iter__", [](cResultIterator& self) -> cResultIterator& { return self; })
        .def("__next__", &cResultIterator::Next)
        .def("close", &cResultIterator::Close,
             "Stops the workers; the files still to come are not examined.");

    module.def("analyze_many", &AnalyzeMany, py::arg("paths"), py::arg("jobs") = py::none(),
               R"doc(Examines many files on `jobs` threads of the module's own (default: one per core)
and answers an iterator of their objects in the order of `paths`. Every path is checked
before the work starts: one that names nothing raises FileNotFoundError.)doc");
}
