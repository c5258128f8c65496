// The comparison volumes of a point set in one call: the minimum-volume box, the covariance
// box of the points, the 26-DOP and Ritter's sphere, for the any-scale entry point and for
// the demo's own cloud alike.
//
// Contract (stated once, here):
// - points: the input, finite, in the caller's units; every returned volume holds every one
//   of them as its own header states. hull: the convex hull of the points or of their image
//   under a translation and a positive uniform scaling (only directions are taken from it);
//   a hull without facets (a degenerate shape) makes the minimum box fall back as
//   volumes/minimum_box.h describes. candidates: further box frames the minimum box is
//   measured in, so it is never larger than a box along any of them (beyond rounding).
// - Deterministic, no draws from rand(). onStage, when not empty, is called with "minimum
//   box", "point covariance box", "dop26" and "ritter sphere" as each starts.
#pragma once

#include <functional>
#include <span>

#include "geometry/sphere.h"
#include "geometry/vector3.h"
#include "hull/convex_hull.h"
#include "volumes/kdop.h"
#include "volumes/minimum_box.h"
#include "volumes/oriented_box.h"

// The volumes shown beside the ones above to compare them with: each a plain function of this
// layer with its contract in its header, and each holds every input point.
struct ComparisonVolumes {
  OrientedBox minimumBox;             // volumes/minimum_box.h, canonical frame
  MinimumBoxReport minimumBoxSearch;  // what that search covered and its proven gap
  OrientedBox pointCovarianceBox;     // volumes/covariance_box.h, canonical frame
  Kdop dop26;                         // volumes/kdop.h, k = 26
  Sphere ritterSphere;                // volumes/ritter_sphere.h (plain radius)
};

// The 26-DOP under its earlier names.
using Dop26 = Kdop;
using Dop26Face = KdopFace;

// Called with the name of each stage as it starts; may be empty.
using StageCallback = std::function<void(const char* stage)>;

ComparisonVolumes computeComparisonVolumes(std::span<const Vector3> points, const ConvexHull& hull,
                                           std::span<const BoxAxes> candidates = {},
                                           const StageCallback& onStage = StageCallback());

// The axes of a box as a candidate frame.
BoxAxes boxAxesOf(const OrientedBox& box);
