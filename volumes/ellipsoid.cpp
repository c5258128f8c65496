// The lifted minimum-volume ellipsoid by a log-barrier Newton method on an active set of hull
// vertices, its centres' dual weights certified over every vertex as Khachiyan's are.
#include "volumes/ellipsoid.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>
#include <vector>

#include "geometry/jacobi_eigen3.h"

namespace {

constexpr int MAX_STAGES = 48;
// The first active set of the barrier (see minimumVolumeEllipsoid).
constexpr std::size_t ACTIVE_START = 400;

using Candidates = std::vector<std::int32_t>;

using Lifted = std::array<double, 4>;  // (coordinates, 1), n = dimension + 1 entries used
using Matrix4 = std::array<std::array<double, 4>, 4>;

// Inverse by Gauss-Jordan elimination with partial pivoting; false when singular.
bool invert(int n, Matrix4 a, Matrix4& inverse) {
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j)
      inverse[i][j] = i == j ? 1.0 : 0.0;
  }
  double largest = 0.0;
  for (int i = 0; i < n; ++i)
    largest = std::max(largest, std::fabs(a[i][i]));
  for (int c = 0; c < n; ++c) {
    int pivot = c;
    for (int r = c + 1; r < n; ++r) {
      if (std::fabs(a[r][c]) > std::fabs(a[pivot][c]))
        pivot = r;
    }
    if (!(std::fabs(a[pivot][c]) > 1e-14 * largest))
      return false;
    std::swap(a[c], a[pivot]);
    std::swap(inverse[c], inverse[pivot]);
    const double scale = 1.0 / a[c][c];
    for (int j = 0; j < n; ++j) {
      a[c][j] *= scale;
      inverse[c][j] *= scale;
    }
    for (int r = 0; r < n; ++r) {
      const double f = a[r][c];
      if (r == c || f == 0.0)
        continue;
      for (int j = 0; j < n; ++j) {
        a[r][j] -= f * a[c][j];
        inverse[r][j] -= f * inverse[c][j];
      }
    }
  }
  return true;
}

double form(int n, const Matrix4& m, const Lifted& q) {
  double sum = 0.0;
  for (int i = 0; i < n; ++i) {
    double row = 0.0;
    for (int j = 0; j < n; ++j)
      row += m[i][j] * q[j];
    sum += q[i] * row;
  }
  return sum;
}

// The minimum-volume centred ellipsoid {y : y^T Q y <= 1} of the lifted points by a
// log-barrier method: Newton steps on -log det Q - mu sum log(1 - q_i^T Q q_i) in the n(n+1)/2
// entries of Q, mu shrinking fourfold per centring. At each centre, lambda_i = mu / (1 - s_i)
// are dual weights; normalised they are the u the certificate needs.
class Barrier {
 public:
  Barrier(int n, const std::vector<Lifted>& q) : n_(n), q_(q) {
    for (int r = 0; r < n; ++r) {
      for (int c = r; c < n; ++c)
        pairs_.push_back({r, c});
    }
    double largest = 0.0;
    for (const Lifted& l : q) {
      double norm = 0.0;
      for (int r = 0; r < n; ++r)
        norm += l[r] * l[r];
      largest = std::max(largest, norm);
    }
    for (int r = 0; r < n; ++r)
      x_[index(r, r)] = 0.5 / largest;
  }

  // One more centring at a quarter of mu; the normalised dual weights of its centre.
  std::vector<double> centre(int& steps) {
    mu_ *= 0.25;
    for (int newton = 0; newton < 60; ++newton) {
      ++steps;
      const std::size_t p = pairs_.size();
      std::array<double, 10> g{};
      std::array<std::array<double, 11>, 10> h{};
      Matrix4 inverse{};
      invert(n_, matrix(x_), inverse);
      for (std::size_t a = 0; a < p; ++a) {
        const auto [r, c] = pairs_[a];
        g[a] = -(r == c ? 1.0 : 2.0) * inverse[r][c];
        for (std::size_t b = 0; b < p; ++b) {
          const auto [k, l] = pairs_[b];
          // tr(Q^-1 E_a Q^-1 E_b) for the symmetric unit matrices E.
          double t = inverse[c][k] * inverse[l][r];
          if (r != c)
            t += inverse[r][k] * inverse[l][c];
          if (k != l)
            t += inverse[c][l] * inverse[k][r] + (r != c ? inverse[r][l] * inverse[k][c] : 0.0);
          h[a][b] = t;
        }
      }
      for (const Lifted& l : q_) {
        std::array<double, 10> v{};
        const double slack = 1.0 - features(l, v);
        for (std::size_t a = 0; a < p; ++a) {
          g[a] += mu_ * v[a] / slack;
          for (std::size_t b = 0; b < p; ++b)
            h[a][b] += mu_ * v[a] * v[b] / (slack * slack);
        }
      }
      std::array<double, 10> step{};
      if (!solve(p, h, g, step))
        break;
      double decrement = 0.0;
      for (std::size_t a = 0; a < p; ++a)
        decrement += g[a] * step[a];
      // Backtracking: stay strictly feasible and decrease the barrier.
      const double before = value(x_);
      double t = 1.0;
      for (; t > 1e-12; t *= 0.5) {
        std::array<double, 10> trial = x_;
        for (std::size_t a = 0; a < p; ++a)
          trial[a] -= t * step[a];
        const double after = value(trial);
        if (std::isfinite(after) && after <= before - 0.25 * t * decrement) {
          x_ = trial;
          break;
        }
      }
      if (decrement < 1e-14 || t <= 1e-12)
        break;
    }
    std::vector<double> u;
    double total = 0.0;
    for (const Lifted& l : q_) {
      std::array<double, 10> v{};
      u.push_back(mu_ / (1.0 - features(l, v)));
      total += u.back();
    }
    for (double& w : u)
      w /= total;
    return u;
  }

 private:
  std::size_t index(int r, int c) const {
    for (std::size_t a = 0; a < pairs_.size(); ++a) {
      if (pairs_[a].first == r && pairs_[a].second == c)
        return a;
    }
    return 0;
  }
  Matrix4 matrix(const std::array<double, 10>& x) const {
    Matrix4 m{};
    for (std::size_t a = 0; a < pairs_.size(); ++a) {
      m[pairs_[a].first][pairs_[a].second] = x[a];
      m[pairs_[a].second][pairs_[a].first] = x[a];
    }
    return m;
  }
  // q^T Q q, and its gradient in the entries of Q.
  double features(const Lifted& l, std::array<double, 10>& v) const {
    double s = 0.0;
    for (std::size_t a = 0; a < pairs_.size(); ++a) {
      const auto [r, c] = pairs_[a];
      v[a] = (r == c ? 1.0 : 2.0) * l[r] * l[c];
      s += v[a] * x_[a];
    }
    return s;
  }
  // The barrier, +infinity outside its domain (Q not positive definite or a point outside).
  double value(const std::array<double, 10>& x) const {
    Matrix4 m = matrix(x);
    double logDet = 0.0;
    for (int c = 0; c < n_; ++c) {  // Cholesky
      double diagonal = m[c][c];
      for (int k = 0; k < c; ++k)
        diagonal -= m[c][k] * m[c][k];
      if (!(diagonal > 0.0))
        return std::numeric_limits<double>::infinity();
      m[c][c] = std::sqrt(diagonal);
      logDet += 2.0 * std::log(m[c][c]);
      for (int r = c + 1; r < n_; ++r) {
        double sum = m[r][c];
        for (int k = 0; k < c; ++k)
          sum -= m[r][k] * m[c][k];
        m[r][c] = sum / m[c][c];
      }
    }
    double barrier = -logDet;
    for (const Lifted& l : q_) {
      double s = 0.0;
      for (std::size_t a = 0; a < pairs_.size(); ++a) {
        const auto [r, c] = pairs_[a];
        s += (r == c ? 1.0 : 2.0) * l[r] * l[c] * x[a];
      }
      if (!(s < 1.0))
        return std::numeric_limits<double>::infinity();
      barrier -= mu_ * std::log(1.0 - s);
    }
    return barrier;
  }
  static bool solve(std::size_t p, std::array<std::array<double, 11>, 10> h,
                    const std::array<double, 10>& g, std::array<double, 10>& step) {
    for (std::size_t a = 0; a < p; ++a)
      h[a][p] = g[a];
    for (std::size_t c = 0; c < p; ++c) {
      std::size_t pivot = c;
      for (std::size_t r = c + 1; r < p; ++r)
        pivot = std::fabs(h[r][c]) > std::fabs(h[pivot][c]) ? r : pivot;
      if (!(std::fabs(h[pivot][c]) > 0.0))
        return false;
      std::swap(h[c], h[pivot]);
      for (std::size_t r = 0; r < p; ++r) {
        if (r == c)
          continue;
        const double f = h[r][c] / h[c][c];
        for (std::size_t k = c; k <= p; ++k)
          h[r][k] -= f * h[c][k];
      }
    }
    for (std::size_t a = 0; a < p; ++a)
      step[a] = h[a][p] / h[a][a];
    return true;
  }

  int n_;
  const std::vector<Lifted>& q_;
  std::vector<std::pair<int, int>> pairs_;
  std::array<double, 10> x_{};
  double mu_ = 10.0;
};

// An orthonormal right-handed frame whose first `dimension` vectors span the hull.
std::array<Vector3d, 3> frameOf(std::span<const Vector3> points, const ExactHull& hull) {
  std::array<Vector3d, 3> frame = {Vector3d(1, 0, 0), Vector3d(0, 1, 0), Vector3d(0, 0, 1)};
  const auto at = [&](std::int32_t i) { return Vector3d(points[static_cast<std::size_t>(i)]); };
  if (hull.dimension == HullDimension::Segment) {
    frame[0] = normalized(at(hull.vertices[1]) - at(hull.vertices[0]));
  } else if (hull.dimension == HullDimension::Polygon) {
    const std::vector<std::int32_t>& face = hull.faces.front();
    frame[0] = normalized(at(face[1]) - at(face[0]));
    const Vector3d normal = normalized(cross(at(face[1]) - at(face[0]), at(face[2]) - at(face[0])));
    frame[1] = normalized(cross(normal, frame[0]));
    frame[2] = cross(frame[0], frame[1]);
    return frame;
  } else {
    return frame;
  }
  const Vector3d reference = std::fabs(frame[0].x) < 0.5 ? Vector3d(1, 0, 0) : Vector3d(0, 1, 0);
  frame[1] = normalized(cross(frame[0], reference));
  frame[2] = cross(frame[0], frame[1]);
  return frame;
}

double sumOfSquares(const Ellipsoid& e, const Vector3d& p) {
  double sum = 0.0;
  for (int k = 0; k < 3; ++k) {
    const double offset = dot(p - e.center, e.axes[static_cast<std::size_t>(k)]);
    const double radius = e.radii[static_cast<std::size_t>(k)];
    if (radius > 0.0)
      sum += (offset / radius) * (offset / radius);
    else if (offset != 0.0)
      return std::numeric_limits<double>::infinity();
  }
  return sum;
}

// Appends the vertices of q (three-dimensional, lifted) extreme along `count` directions
// evenly spread over the sphere and their opposites, in coordinates where the vertices'
// covariance is the identity.
void roundedExtremes(const std::vector<Lifted>& q, std::size_t count, Candidates& out) {
  const double n = static_cast<double>(q.size());
  double mean[3] = {0, 0, 0};
  for (const Lifted& l : q)
    for (int k = 0; k < 3; ++k)
      mean[k] += l[static_cast<std::size_t>(k)] / n;
  double cov[3][3] = {};
  for (const Lifted& l : q)
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c)
        cov[r][c] += (l[static_cast<std::size_t>(r)] - mean[r]) *
                     (l[static_cast<std::size_t>(c)] - mean[c]) / n;
  const EigenDecomposition3d eigen = jacobiEigen3(cov);
  Vector3d rows[3];
  for (int k = 0; k < 3; ++k) {
    if (!(eigen.values[k] > 0.0))
      return;
    rows[k] = eigen.vectors[k] * (1.0 / std::sqrt(eigen.values[k]));
  }
  std::vector<Vector3d> w(q.size());
  for (std::size_t i = 0; i < q.size(); ++i) {
    const Vector3d p(q[i][0] - mean[0], q[i][1] - mean[1], q[i][2] - mean[2]);
    w[i] = Vector3d(dot(rows[0], p), dot(rows[1], p), dot(rows[2], p));
  }
  for (std::size_t k = 0; k < count; ++k) {
    const double z = 1.0 - (2.0 * static_cast<double>(k) + 1.0) / static_cast<double>(count);
    const double ring = std::sqrt(std::max(0.0, 1.0 - z * z));
    const double azimuth = 2.39996322972865332 * static_cast<double>(k);
    const Vector3d v(ring * std::cos(azimuth), ring * std::sin(azimuth), z);
    std::size_t hi = 0, lo = 0;
    double top = -INFINITY, bottom = INFINITY;
    for (std::size_t i = 0; i < w.size(); ++i) {
      const double t = dot(v, w[i]);
      if (t > top) {
        top = t;
        hi = i;
      }
      if (t < bottom) {
        bottom = t;
        lo = i;
      }
    }
    out.push_back(static_cast<std::int32_t>(hi));
    out.push_back(static_cast<std::int32_t>(lo));
  }
}

double volumeOf(const std::array<double, 3>& radii) {
  return 4.0 / 3.0 * std::numbers::pi * radii[0] * radii[1] * radii[2];
}

}  // namespace

Ellipsoid minimumVolumeEllipsoid(std::span<const Vector3> points, const ExactHull& hull,
                                 double accuracy) {
  Ellipsoid e;
  e.dimension = static_cast<int>(hull.dimension);
  if (points.empty() || hull.vertices.empty())
    return e;
  const int d = std::max(0, e.dimension);

  // Coordinates in the hull's own frame about the centre of its vertices' box, scaled by a
  // power of two so that the largest is about 1: exact, and well conditioned at any scale.
  const std::array<Vector3d, 3> frame = frameOf(points, hull);
  Vector3d lo(INFINITY, INFINITY, INFINITY);
  Vector3d hi = -lo;
  for (std::int32_t i : hull.vertices) {
    const Vector3d p(points[static_cast<std::size_t>(i)]);
    for (int c = 0; c < 3; ++c) {
      lo[c] = std::min(lo[c], p[c]);
      hi[c] = std::max(hi[c], p[c]);
    }
  }
  const Vector3d origin = (lo + hi) * 0.5;
  int exponent = 0;
  std::frexp(std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z, 0x1p-1000}), &exponent);
  const double scale = std::ldexp(1.0, -exponent);
  std::vector<Lifted> q;
  q.reserve(hull.vertices.size());
  for (std::int32_t i : hull.vertices) {
    const Vector3d p = (Vector3d(points[static_cast<std::size_t>(i)]) - origin) * scale;
    Lifted l{};
    for (int k = 0; k < d; ++k)
      l[static_cast<std::size_t>(k)] = dot(p, frame[static_cast<std::size_t>(k)]);
    l[static_cast<std::size_t>(d)] = 1.0;
    q.push_back(l);
  }

  Vector3d centerLocal;
  std::array<double, 3> values{};
  std::array<Vector3d, 3> vectors = {Vector3d(1, 0, 0), Vector3d(0, 1, 0), Vector3d(0, 0, 1)};
  double largestOmega = 0.0;
  if (d > 0) {
    // The barrier runs on an active set: the vertices farthest out under the vertices' own
    // spread to begin with, then every vertex that the best weights so far leave outside the
    // target (it is the only kind that can keep the certificate from closing). The weights
    // put nothing on the others, which any certificate allows, and every certificate is
    // measured over every vertex, so only the work depends on the set.
    const std::size_t h = q.size();
    std::vector<double> omegas(h);
    const auto measure = [&](const std::vector<double>& weights, const Candidates& active) {
      Matrix4 x{};
      for (std::size_t k = 0; k < active.size(); ++k) {
        const Lifted& l = q[static_cast<std::size_t>(active[k])];
        for (int r = 0; r <= d; ++r) {
          for (int c = 0; c <= d; ++c)
            x[r][c] += weights[k] * l[r] * l[c];
        }
      }
      Matrix4 inverse{};
      if (!invert(d + 1, x, inverse))
        return false;
      for (std::size_t i = 0; i < h; ++i)
        omegas[i] = form(d + 1, inverse, q[i]) - 1.0;
      return true;
    };
    const double target = d * std::pow(1.0 + accuracy, 2.0 / d);
    Candidates active(h);
    for (std::size_t i = 0; i < h; ++i)
      active[i] = static_cast<std::int32_t>(i);
    if (h > 2 * ACTIVE_START && measure(std::vector<double>(h, 1.0 / h), active)) {
      // The farthest out under the vertices' spread, and in three dimensions the extremes
      // along directions spread evenly once that spread is made round (the optimum's
      // contacts are extremes of the rounded hull).
      Candidates start = active;
      std::nth_element(start.begin(), start.begin() + ACTIVE_START / 2, start.end(),
                       [&](std::int32_t a, std::int32_t b) {
                         const std::size_t i = static_cast<std::size_t>(a);
                         const std::size_t j = static_cast<std::size_t>(b);
                         return omegas[i] != omegas[j] ? omegas[i] > omegas[j] : a < b;
                       });
      start.resize(ACTIVE_START / 2);
      if (d == 3)
        roundedExtremes(q, ACTIVE_START / 4, start);
      std::sort(start.begin(), start.end());
      start.erase(std::unique(start.begin(), start.end()), start.end());
      active = std::move(start);
    }
    std::vector<double> u;  // over the vertices of `best`
    Candidates best;
    int steps = 0;
    largestOmega = std::numeric_limits<double>::infinity();
    for (int round = 0;; ++round) {
      std::vector<Lifted> qa;
      qa.reserve(active.size());
      for (std::int32_t i : active)
        qa.push_back(q[static_cast<std::size_t>(i)]);
      Barrier barrier(d + 1, qa);
      int worse = 0;
      double roundBest = std::numeric_limits<double>::infinity();
      // Past some tiny mu the centring loses accuracy: the best certificate so far is kept.
      for (int stage = 0; stage < MAX_STAGES && worse < 2; ++stage) {
        std::vector<double> weights = barrier.centre(steps);
        if (!measure(weights, active))
          break;
        const double omega = *std::max_element(omegas.begin(), omegas.end());
        if (omega < roundBest) {
          roundBest = omega;
          worse = 0;
        } else {
          ++worse;
        }
        if (omega < largestOmega) {
          largestOmega = omega;
          u = std::move(weights);
          best = active;
        }
        if (largestOmega <= target || std::pow(largestOmega / d, 0.5 * d) - 1.0 <= accuracy)
          break;
      }
      if (active.size() == h || u.empty() || std::pow(largestOmega / d, 0.5 * d) - 1.0 <= accuracy)
        break;
      // The vertices the best weights leave beyond the target, and beyond every active one,
      // join, the farthest first and at most as many as are active (the set at most doubles).
      if (!measure(u, best))
        break;
      std::vector<char> in(h, 0);
      for (std::int32_t i : active)
        in[static_cast<std::size_t>(i)] = 1;
      // Where the active vertices themselves stay as far out as the others, the centring's
      // conditioning is what stops it, and more vertices would not help.
      double activeWorst = 0.0;
      for (std::int32_t i : active)
        activeWorst = std::max(activeWorst, omegas[static_cast<std::size_t>(i)]);
      Candidates outside;
      for (std::size_t i = 0; i < h; ++i)
        if (!in[i] && omegas[i] > std::max(target, activeWorst))
          outside.push_back(static_cast<std::int32_t>(i));
      if (outside.empty())
        break;
      if (round >= 8) {  // a last round on every vertex
        outside.clear();
        for (std::size_t i = 0; i < h; ++i)
          if (!in[i])
            outside.push_back(static_cast<std::int32_t>(i));
      } else if (outside.size() > active.size()) {
        std::nth_element(outside.begin(),
                         outside.begin() + static_cast<std::ptrdiff_t>(active.size()),
                         outside.end(), [&](std::int32_t a, std::int32_t b) {
                           const std::size_t i = static_cast<std::size_t>(a);
                           const std::size_t j = static_cast<std::size_t>(b);
                           return omegas[i] != omegas[j] ? omegas[i] > omegas[j] : a < b;
                         });
        outside.resize(active.size());
      }
      active.insert(active.end(), outside.begin(), outside.end());
      std::sort(active.begin(), active.end());
    }
    // The weights back on every vertex.
    {
      std::vector<double> all(u.empty() ? 0 : h, 0.0);
      for (std::size_t k = 0; k < best.size() && !u.empty(); ++k)
        all[static_cast<std::size_t>(best[k])] = u[k];
      u = std::move(all);
    }
    if (u.empty()) {  // not even a first centre: the vertices' mean and spread
      u.assign(q.size(), 1.0 / static_cast<double>(q.size()));
      largestOmega = 0.0;
    }
    e.iterations = steps;
    double c[3] = {0, 0, 0};
    for (std::size_t i = 0; i < q.size(); ++i) {
      for (int k = 0; k < d; ++k)
        c[k] += u[i] * q[i][static_cast<std::size_t>(k)];
    }
    double sigma[3][3] = {};
    for (std::size_t i = 0; i < q.size(); ++i) {
      if (u[i] == 0)
        continue;
      for (int r = 0; r < d; ++r) {
        for (int s = 0; s < d; ++s)
          sigma[r][s] += u[i] * (q[i][static_cast<std::size_t>(r)] - c[r]) *
                         (q[i][static_cast<std::size_t>(s)] - c[s]);
      }
    }
    const EigenDecomposition3d eigen = jacobiEigen3(sigma);
    for (int k = 0; k < 3; ++k) {
      values[static_cast<std::size_t>(k)] = std::max(0.0, eigen.values[k]);
      vectors[static_cast<std::size_t>(k)] = eigen.vectors[k];
    }
    centerLocal = Vector3d(c[0], c[1], c[2]);
    e.accuracy = largestOmega > d ? std::pow(largestOmega / d, 0.5 * d) - 1.0 : 0.0;
  }

  // Back to the caller's units.
  // Across a flat or linear hull the centre lies on it, at the offset of any vertex.
  const Vector3d anyVertex(points[static_cast<std::size_t>(hull.vertices.front())]);
  e.center = origin;
  for (int k = 0; k < 3; ++k) {
    const Vector3d& axis = frame[static_cast<std::size_t>(k)];
    e.center = e.center + axis * (k < d ? centerLocal[k] / scale : dot(anyVertex - origin, axis));
  }
  for (std::size_t k = 0; k < 3; ++k) {
    e.axes[k] = frame[0] * vectors[k].x + frame[1] * vectors[k].y + frame[2] * vectors[k].z;
    e.radii[k] = std::sqrt(values[k] * largestOmega) / scale;
  }
  e.volumeBeforeRescale = volumeOf(e.radii);

  // The final pass: thin axes first, then the one factor that makes every point fit.
  for (std::size_t k = 0; k < 3; ++k) {
    if (e.radii[k] > 0.0)
      continue;
    double spread = 0.0;
    for (const Vector3& p : points)
      spread = std::max(spread, std::fabs(dot(Vector3d(p) - e.center, e.axes[k])));
    e.radii[k] = std::ldexp(spread, 20);
  }
  double worst = 0.0;
  for (const Vector3& p : points)
    worst = std::max(worst, sumOfSquares(e, Vector3d(p)));
  if (worst > 0.0 && std::isfinite(worst)) {
    const double factor = std::nextafter(std::sqrt(worst), INFINITY);
    for (double& r : e.radii)
      r = r > 0.0 ? std::nextafter(r * factor, INFINITY) : 0.0;
  }
  // Rounding of the check itself: grow by a few units in the last place until it holds.
  for (int round = 0; round < 8; ++round) {
    bool holds = true;
    for (const Vector3& p : points)
      holds = holds && sumOfSquares(e, Vector3d(p)) <= 1.0;
    if (holds)
      break;
    for (double& r : e.radii)
      r = r * (1.0 + 0x1p-48);
  }
  e.volume = volumeOf(e.radii);
  return e;
}
