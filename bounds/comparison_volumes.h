// The comparison volumes of a point set in one call: the minimum-volume box, the covariance
// box of the points, the 26-DOP and Ritter's sphere, for the any-scale entry point and for
// the demo's own cloud alike.
//
// Contract (stated once, here):
// - points: the input, finite, in the caller's units; every returned volume holds every one
//   of them as its own header states. hull: the convex hull of the points or of their image
//   under a translation and a positive uniform scaling (only directions are taken from it);
//   a hull without facets (a degenerate shape) makes the minimum box fall back as
//   bounds/minimum_box.h describes. candidates: further box frames the minimum box is
//   measured in, so it is never larger than a box along any of them (beyond rounding).
// - Deterministic, no draws from rand(). onStage, when not empty, is called with "minimum
//   box", "point covariance box", "dop26" and "ritter sphere" as each starts.
#pragma once

#include <span>

#include "bounds/bounding_volumes.h"
#include "bounds/oriented_box.h"
#include "geometry/vector3.h"
#include "hull/convex_hull.h"

ComparisonVolumes computeComparisonVolumes(std::span<const Vector3> points, const ConvexHull& hull,
                                           std::span<const BoxAxes> candidates = {},
                                           const StageCallback& onStage = StageCallback());

// The axes of a box as a candidate frame.
BoxAxes boxAxesOf(const OrientedBox& box);
