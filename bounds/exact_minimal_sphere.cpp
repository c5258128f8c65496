// Welzl's minimal enclosing ball with the move-to-front heuristic, in double precision. The
// recursion has depth at most four (a ball is fixed by at most four boundary points); each
// level scans the points before the one that forced it onto the boundary.
#include "bounds/exact_minimal_sphere.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <list>
#include <vector>

namespace {

struct Point {
  double v[3];
};

struct Ball {
  double center[3] = {0.0, 0.0, 0.0};
  double squaredRadius = -1.0;  // negative: empty ball, holds nothing
};

double squaredDistance(const double* a, const double* b) {
  double sum = 0.0;
  for (int k = 0; k < 3; ++k) {
    const double d = a[k] - b[k];
    sum += d * d;
  }
  return sum;
}

// The smallest ball with every boundary point on its surface: the circumcentre within their
// affine hull, from the Gram system of the edge vectors. Returns false when the boundary is
// affinely dependent (its Gram matrix is singular up to rounding).
bool ballThrough(const std::array<const Point*, 4>& boundary, int count, Ball& ball) {
  if (count == 0) {
    ball = Ball{};
    return true;
  }
  const double* origin = boundary[0]->v;
  const int dim = count - 1;
  double edge[3][3] = {};
  double scale = 0.0;
  for (int i = 0; i < dim; ++i) {
    for (int k = 0; k < 3; ++k) {
      edge[i][k] = boundary[static_cast<std::size_t>(i) + 1]->v[k] - origin[k];
      scale = std::max(scale, std::fabs(edge[i][k]));
    }
  }
  double system[3][4] = {};
  for (int i = 0; i < dim; ++i) {
    for (int j = 0; j < dim; ++j)
      system[i][j] = edge[i][0] * edge[j][0] + edge[i][1] * edge[j][1] + edge[i][2] * edge[j][2];
    system[i][dim] = 0.5 * system[i][i];
  }
  // Gauss-Jordan with partial pivoting; a pivot below this share of the squared scale marks
  // affinely dependent points.
  const double singular = 1e-13 * scale * scale;
  for (int col = 0; col < dim; ++col) {
    int pivot = col;
    for (int r = col + 1; r < dim; ++r)
      if (std::fabs(system[r][col]) > std::fabs(system[pivot][col]))
        pivot = r;
    if (!(std::fabs(system[pivot][col]) > singular))
      return false;
    for (int c = 0; c <= dim; ++c)
      std::swap(system[col][c], system[pivot][c]);
    for (int r = 0; r < dim; ++r) {
      if (r == col)
        continue;
      const double f = system[r][col] / system[col][col];
      for (int c = col; c <= dim; ++c)
        system[r][c] -= f * system[col][c];
    }
  }
  double offset[3] = {0.0, 0.0, 0.0};
  for (int i = 0; i < dim; ++i) {
    const double w = system[i][dim] / system[i][i];
    for (int k = 0; k < 3; ++k)
      offset[k] += w * edge[i][k];
  }
  for (int k = 0; k < 3; ++k)
    ball.center[k] = origin[k] + offset[k];
  ball.squaredRadius = offset[0] * offset[0] + offset[1] * offset[1] + offset[2] * offset[2];
  return true;
}

// A relative slack so that boundary points, which lie on the ball only up to rounding, do
// not count as outside it and recurse forever.
bool holds(const Ball& ball, const Point& p) {
  return squaredDistance(p.v, ball.center) <= ball.squaredRadius * (1.0 + 1e-12);
}

using PointList = std::list<const Point*>;

Ball moveToFront(PointList& points, PointList::iterator end, std::array<const Point*, 4>& boundary,
                 int count) {
  Ball ball;
  if (!ballThrough(boundary, count, ball) && count > 0) {
    // Dependent boundary points: the ball of the others already passes through the last
    // one up to rounding, so it serves.
    ballThrough(boundary, count - 1, ball);
  }
  if (count == 4)
    return ball;
  for (auto it = points.begin(); it != end;) {
    const auto current = it++;
    if (ball.squaredRadius >= 0.0 && holds(ball, **current))
      continue;
    boundary[static_cast<std::size_t>(count)] = *current;
    ball = moveToFront(points, current, boundary, count + 1);
    points.splice(points.begin(), points, current);
  }
  return ball;
}

}  // namespace

ExactSphere exactMinimalSphere(std::span<const Vector3> points) {
  std::vector<Point> finite;
  finite.reserve(points.size());
  for (const Vector3& p : points) {
    if (std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z))
      finite.push_back(Point{{p.x, p.y, p.z}});
  }
  ExactSphere result;
  if (finite.empty())
    return result;

  PointList order;
  for (const Point& p : finite)
    order.push_back(&p);
  std::array<const Point*, 4> boundary{};
  const Ball ball = moveToFront(order, order.end(), boundary, 0);

  result.center = {static_cast<float>(ball.center[0]), static_cast<float>(ball.center[1]),
                   static_cast<float>(ball.center[2])};
  // Round outward: the largest squared distance as the float containment test computes it,
  // and a plain radius whose square is not below the exact largest distance from the
  // rounded centre.
  double largest = 0.0;
  for (const Point& p : finite) {
    const Vector3 q{static_cast<float>(p.v[0]), static_cast<float>(p.v[1]),
                    static_cast<float>(p.v[2])};
    const Vector3 d = q - result.center;
    result.squaredRadius = std::max(result.squaredRadius, dot(d, d));
    const double c[3] = {result.center.x, result.center.y, result.center.z};
    largest = std::max(largest, squaredDistance(p.v, c));
  }
  float radius = static_cast<float>(std::sqrt(largest));
  while (static_cast<double>(radius) * radius < largest)
    radius = std::nextafter(radius, FLOAT_INFINITY);
  result.radius = radius;
  return result;
}
