// bvkit: the bounding volumes of a NumPy point array, and the loader, from Python.
//
// fit() returns what `bvfit --json` prints for a file, built by bvfit's own report code and
// read back by Python's json module, so the two can never disagree on a key or a digit.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <array>
#include <chrono>
#include <concepts>
#include <cstdint>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bounds/bounding_volumes.h"
#include "bvfit/report.h"
#include "geometry/vector3.h"
#include "loading/model_loader.h"

namespace py = pybind11;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string shapeText(const py::array& array) {
  std::string text = "(";
  for (py::ssize_t i = 0; i < array.ndim(); ++i)
    text += (i == 0 ? "" : ", ") + std::to_string(array.shape(i));
  return text + (array.ndim() == 1 ? ",)" : ")");
}

template <class Scalar>
std::vector<Vector3> pointsOf(const py::array& array) {
  const auto view = array.unchecked<Scalar, 2>();  // follows any strides
  std::vector<Vector3> points(static_cast<std::size_t>(view.shape(0)));
  for (py::ssize_t i = 0; i < view.shape(0); ++i) {
    // One rounding to the nearest float, as a point-list file's digits get.
    points[static_cast<std::size_t>(i)] =
        Vector3(static_cast<float>(view(i, 0)), static_cast<float>(view(i, 1)),
                static_cast<float>(view(i, 2)));
  }
  return points;
}

std::vector<Vector3> pointsFrom(const py::handle& object) {
  if (!py::isinstance<py::array>(object)) {
    throw py::type_error("points must be a NumPy array of shape (N, 3), got " +
                         std::string(py::str(py::type::handle_of(object).attr("__name__"))));
  }
  const auto array = py::reinterpret_borrow<py::array>(object);
  const bool isFloat = array.dtype().is(py::dtype::of<float>());
  const bool isDouble = array.dtype().is(py::dtype::of<double>());
  if (!isFloat && !isDouble) {
    throw py::type_error("points must be float32 or float64, got " +
                         std::string(py::str(array.dtype())));
  }
  if (array.ndim() != 2 || array.shape(1) != 3)
    throw py::value_error("points must have shape (N, 3), got " + shapeText(array));
  return isFloat ? pointsOf<float>(array) : pointsOf<double>(array);
}

py::object fit(const py::handle& object) {
  const std::vector<Vector3> points = pointsFrom(object);
  FileReport report;
  BoundingVolumesResult fitted;
  {
    // The fit touches no Python object: other threads run meanwhile.
    py::gil_scoped_release release;
    // Stage times as bvfit measures them; there is no load here, so no "load" key.
    const Clock::time_point start = Clock::now();
    Clock::time_point stageStart = start;
    const auto onStage = [&](const char* stage) {
      if (!report.seconds.empty())
        report.seconds.back().second = secondsSince(stageStart);
      stageStart = Clock::now();
      report.seconds.emplace_back(stage, 0.0);
    };
    fitted = computeBoundingVolumes(points, onStage);
    if (!report.seconds.empty())
      report.seconds.back().second = secondsSince(stageStart);
    report.seconds.emplace_back("total", secondsSince(start));
  }
  if (!fitted.ok())
    throw py::value_error(fitted.error);
  report.volumes = fitted.volumes;
  std::ostringstream line;
  writeJson(line, report);
  py::dict result = py::module_::import("json").attr("loads")(line.str());
  // A file name means nothing for an array.
  result.attr("pop")("file");
  return result;
}

py::array_t<float> pointArray(const std::vector<Vector3>& points) {
  py::array_t<float> array({static_cast<py::ssize_t>(points.size()), py::ssize_t{3}});
  auto view = array.mutable_unchecked<2>();
  for (py::ssize_t i = 0; i < view.shape(0); ++i) {
    const Vector3& p = points[static_cast<std::size_t>(i)];
    view(i, 0) = p.x;
    view(i, 1) = p.y;
    view(i, 2) = p.z;
  }
  return array;
}

// Triangles as an (M, 3) array, whether the loader keeps them as index triples or as one
// flat index list.
template <class Triangles>
py::object faceArray(const Triangles& triangles) {
  using Element = std::decay_t<decltype(*std::begin(triangles))>;
  if constexpr (std::integral<Element>) {
    const auto rows = static_cast<py::ssize_t>(std::size(triangles) / 3);
    py::array_t<std::uint32_t> array({rows, py::ssize_t{3}});
    auto view = array.mutable_unchecked<2>();
    for (py::ssize_t i = 0; i < rows; ++i) {
      for (py::ssize_t k = 0; k < 3; ++k)
        view(i, k) = static_cast<std::uint32_t>(triangles[static_cast<std::size_t>(3 * i + k)]);
    }
    return array;
  } else {
    const auto rows = static_cast<py::ssize_t>(std::size(triangles));
    py::array_t<std::uint32_t> array({rows, py::ssize_t{3}});
    auto view = array.mutable_unchecked<2>();
    py::ssize_t i = 0;
    for (const auto& triangle : triangles) {
      for (py::ssize_t k = 0; k < 3; ++k)
        view(i, k) = static_cast<std::uint32_t>(triangle[static_cast<std::size_t>(k)]);
      ++i;
    }
    return array;
  }
}

// The loader's triangles when its result has them; None for a loader that gives points only.
template <class Result>
py::object facesOf(const Result& loaded) {
  if constexpr (requires { loaded.triangles; })
    return faceArray(loaded.triangles);
  else
    return py::none();
}

py::tuple load(const std::string& path) {
  LoadResult loaded;
  {
    py::gil_scoped_release release;
    loaded = loadPoints(path);
  }
  if (!loaded.ok()) {
    PyErr_SetString(PyExc_OSError, loaded.error.c_str());
    throw py::error_already_set();
  }
  return py::make_tuple(pointArray(loaded.points), facesOf(loaded));
}

}  // namespace

PYBIND11_MODULE(bvkit, m) {
  // The docstrings below give the Python signatures; pybind11's own would say "handle".
  py::options options;
  options.disable_function_signatures();
  m.doc() = "Bounding volumes of 3D point sets: the exact convex hull, boxes, spheres, 26-DOP.";
  m.def("fit", &fit, py::arg("points"),
        R"(fit(points) -> dict

The bounding volumes of an (N, 3) float32 or float64 array (float64 is rounded to the nearest
float32), as the dict `bvfit --json` prints for a file, without "file"; "seconds" holds the
fit's stage times. Releases the GIL while it fits.
Raises ValueError for no points, a non-finite coordinate or a wrong shape, TypeError for a
wrong type or dtype.)");
  m.def("load", &load, py::arg("path"),
        R"(load(path) -> (points, faces)

Reads a model or point-list file as bvfit does: points an (N, 3) float32 array, faces an
(M, 3) uint32 array of triangles when the loader gives them, else None.
Raises OSError with the loader's one-line reason.)");
}
