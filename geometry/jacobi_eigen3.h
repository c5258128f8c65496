// Eigen decomposition of a real symmetric 3x3 matrix in double precision by the cyclic Jacobi
// method: plane rotations, each zeroing one off-diagonal entry, sweep over the three pairs
// until the off-diagonal part is negligible. Slower than a tridiagonal QL, but it delivers
// eigenvectors orthonormal to working precision even for equal or nearly equal eigenvalues,
// which the covariance box needs at every scale.
//
// Contract (stated once, here):
// - Reads the whole matrix and uses its upper triangle (a[0][1], a[0][2], a[1][2]) for the
//   off-diagonal entries; the caller passes a symmetric matrix of finite entries.
// - values are increasing; vectors[k] belongs to values[k]; the vectors are orthonormal to
//   within a few units in the last place and form a right-handed frame
//   (vectors[2] = vectors[0] x vectors[1] up to rounding). They carry no sign convention.
// - A diagonal matrix (in particular the zero matrix) gives the coordinate axes.
// - At most 32 sweeps; in practice three to five suffice.
#pragma once

#include "geometry/vector3d.h"

struct EigenDecomposition3d {
  double values[3] = {0.0, 0.0, 0.0};
  Vector3d vectors[3];
};

EigenDecomposition3d jacobiEigen3(const double (&a)[3][3]);
