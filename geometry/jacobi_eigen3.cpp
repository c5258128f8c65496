// Cyclic Jacobi rotations (the classical formulation with t = tan of the rotation angle
// chosen as the smaller root), then a sort of the three eigenpairs.
#include "geometry/jacobi_eigen3.h"

#include <cmath>
#include <utility>

EigenDecomposition3d jacobiEigen3(const double (&a)[3][3]) {
  double m[3][3];
  double v[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};  // columns are the eigenvectors
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j)
      m[i][j] = i <= j ? a[i][j] : a[j][i];
  }
  constexpr int PAIRS[3][2] = {{0, 1}, {0, 2}, {1, 2}};
  for (int sweep = 0; sweep < 32; ++sweep) {
    bool rotated = false;
    for (const auto& pair : PAIRS) {
      const int p = pair[0];
      const int q = pair[1];
      const double apq = m[p][q];
      // Negligible against both diagonal entries: rotating would not change them.
      const double scale = std::fabs(m[p][p]) + std::fabs(m[q][q]);
      if (apq == 0.0 || (scale > 0.0 && std::fabs(apq) <= 0x1p-60 * scale))
        continue;
      rotated = true;
      const double theta = (m[q][q] - m[p][p]) / (2.0 * apq);
      // The smaller root of t^2 + 2 t theta - 1 = 0; for huge theta, 1 / (2 theta).
      const double t = std::fabs(theta) > 1e150 ? 0.5 / theta
                                                : std::copysign(1.0, theta) /
                                                      (std::fabs(theta) + std::hypot(theta, 1.0));
      const double c = 1.0 / std::hypot(t, 1.0);
      const double s = t * c;
      // m <- J^T m J and v <- v J with J the rotation in the (p, q) plane.
      for (int k = 0; k < 3; ++k) {
        const double mkp = m[k][p];
        const double mkq = m[k][q];
        m[k][p] = c * mkp - s * mkq;
        m[k][q] = s * mkp + c * mkq;
      }
      for (int k = 0; k < 3; ++k) {
        const double mpk = m[p][k];
        const double mqk = m[q][k];
        m[p][k] = c * mpk - s * mqk;
        m[q][k] = s * mpk + c * mqk;
      }
      m[p][q] = 0.0;
      m[q][p] = 0.0;
      for (int k = 0; k < 3; ++k) {
        const double vkp = v[k][p];
        const double vkq = v[k][q];
        v[k][p] = c * vkp - s * vkq;
        v[k][q] = s * vkp + c * vkq;
      }
    }
    if (!rotated)
      break;
  }
  EigenDecomposition3d result;
  int order[3] = {0, 1, 2};
  for (int i = 0; i < 3; ++i) {
    for (int j = i + 1; j < 3; ++j) {
      if (m[order[j]][order[j]] < m[order[i]][order[i]])
        std::swap(order[i], order[j]);
    }
  }
  for (int k = 0; k < 3; ++k) {
    result.values[k] = m[order[k]][order[k]];
    result.vectors[k] = {v[0][order[k]], v[1][order[k]], v[2][order[k]]};
  }
  // Rotations keep det = +1; the sort may have made the frame left-handed.
  if (dot(cross(result.vectors[0], result.vectors[1]), result.vectors[2]) < 0.0)
    result.vectors[2] = -result.vectors[2];
  return result;
}
