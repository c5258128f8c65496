// Point covariance in double, Jacobi eigenvectors, extents over all points.
#include "volumes/covariance_box.h"

#include "geometry/jacobi_eigen3.h"

BoxAxes pointCovarianceAxes(std::span<const Vector3> points) {
  Vector3d mean;
  for (const Vector3& p : points)
    mean = mean + Vector3d(p);
  const double n = points.empty() ? 1.0 : static_cast<double>(points.size());
  mean = mean * (1.0 / n);
  double covariance[3][3] = {};
  for (const Vector3& p : points) {
    const Vector3d d = Vector3d(p) - mean;
    for (int i = 0; i < 3; ++i) {
      for (int j = i; j < 3; ++j)
        covariance[i][j] += d[i] * d[j];
    }
  }
  for (int i = 0; i < 3; ++i) {
    for (int j = i; j < 3; ++j) {
      covariance[i][j] /= n;
      covariance[j][i] = covariance[i][j];
    }
  }
  const EigenDecomposition3d eigen = jacobiEigen3(covariance);
  // Reversed order with the last negated: still a right-handed frame.
  return {eigen.vectors[2], eigen.vectors[1], -eigen.vectors[0]};
}

OrientedBox pointCovarianceBox(std::span<const Vector3> points) {
  return enclosingBox(points, pointCovarianceAxes(points));
}
