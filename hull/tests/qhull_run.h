// Qhull's hull of a point set, run in a context of its own that is freed with the object: the
// set-up and tear-down every comparison with Qhull needs, shared by the tests and the
// benchmarks (the libraries themselves do not use Qhull).
//
// The iteration macros of libqhull_r (FORALLfacets, FORALLvertices, ...) name the context
// `qh`: declare `qhT* qh = run.context();` before using them. Qhull keeps pointing into the
// coordinates, so they live as long as the run; qh_pointid(qh, p) is the index of the input
// point a vertex stands on.
#pragma once

#include <libqhull_r/qhull_ra.h>

#include <cstdio>
#include <span>
#include <string>
#include <vector>

class QhullRun {
 public:
  // Runs Qhull with a command line such as "qhull Qt" on points with members x, y and z,
  // reporting its errors on standard error.
  template <class Point>
  QhullRun(std::span<const Point> points, const std::string& command) {
    coordinates_.reserve(3 * points.size());
    for (const Point& p : points)
      coordinates_.insert(coordinates_.end(), {p.x, p.y, p.z});
    std::string options = command;  // Qhull takes a writable string
    QHULL_LIB_CHECK
    qh_zero(&context_, stderr);
    status_ = qh_new_qhull(&context_, 3, static_cast<int>(points.size()), coordinates_.data(),
                           False, options.data(), nullptr, stderr);
  }
  ~QhullRun() {
    qh_freeqhull(&context_, !qh_ALL);
    int curlong = 0;
    int totlong = 0;
    qh_memfreeshort(&context_, &curlong, &totlong);
  }
  QhullRun(const QhullRun&) = delete;
  QhullRun& operator=(const QhullRun&) = delete;

  // Qhull's exit code: 0 when the hull was built.
  int status() const { return status_; }
  qhT* context() { return &context_; }

 private:
  std::vector<coordT> coordinates_;
  qhT context_{};
  int status_ = -1;
};
