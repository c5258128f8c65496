// Covariance box of a point set: the method most libraries use. Its axes are the eigenvectors
// of the points' covariance matrix, every point weighted alike, and its extents run over all
// points. Beside the facet-moment box it shows why weighting the hull's surface matters: a
// dense patch of points, inside the hull or on one side of it, pulls the axes towards itself
// although it changes neither the hull nor the tightest box.
//
// Contract (stated once, here):
// - Mean and covariance (divided by the number of points) in double; the eigenvectors by
//   jacobiEigen3, so the axes are orthonormal in double at any scale, also for repeated
//   eigenvalues (where any orthonormal basis of the eigenspace is correct and the solver's
//   is taken).
// - The box is enclosingBox of all points along those axes: canonical frame, every point
//   inside when tested in double (see volumes/oriented_box.h).
// - Points must be finite; no points give the zero box at the origin.
#pragma once

#include <span>

#include "geometry/vector3.h"
#include "volumes/oriented_box.h"

// The eigenvectors of the covariance matrix, for the largest eigenvalue first, right-handed.
BoxAxes pointCovarianceAxes(std::span<const Vector3> points);

OrientedBox pointCovarianceBox(std::span<const Vector3> points);
