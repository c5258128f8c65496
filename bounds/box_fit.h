// Oriented bounding box fitted to a convex hull: axes from the eigenvectors of an
// area-weighted moment matrix of the hull's triangular facets, extents from projecting every
// facet vertex onto those axes.
//
// Contract (stated once, here):
// - Reads only hull.facets, in list order, and of each facet only `vertices`: the first
//   three as one triangle for the moments, every vertex for the extents (facets with no
//   vertices are skipped there). The caller passes at least one facet, each with at least
//   three vertices, and a non-zero total area; otherwise non-finite values flow into the box
//   and the report without any message.
// - All arithmetic is 32-bit float in a fixed order, so the printed report is reproducible
//   bit for bit. The reference point is the area-weighted mean of the facet centroids
//   divided by the facet count; it moves the axes, but not the box's centre.
// - The axes are the eigenvector columns as the solver returns them: unit length up to
//   rounding, axis 0 for the smallest eigenvalue, no sign convention, possibly left-handed.
// - After the box is written, its report (writeBoxReport) goes to the stream.
// - The report is six lines: "Constructed OBB " and a line feed (not flushed), then
//   "Axis 0 ", "Axis 1 ", "Axis 2 ", "Center " and "Lengths " each followed by the vector's
//   text form and std::endl. "Lengths" are the half-lengths. The stream's formatting is used
//   as it stands.
#pragma once

#include <ostream>

#include "geometry/vector3.h"
#include "hull/convex_hull.h"

struct OBB {
  Vector3 center;
  Vector3 halfLengths;  // component k belongs to axes[k]; never negative for a fitted box
  Vector3 axes[3];      // unit length up to rounding; the frame may be left-handed
};

// Fits box to the hull's facets (every field overwritten) and writes the report to out.
void fitBoxToHull(const ConvexHull& hull, OBB& box, std::ostream& out);
// The same, reporting on standard output.
void fitBoxToHull(const ConvexHull& hull, OBB& box);
// The six-line report of box (above) written to out.
void writeBoxReport(std::ostream& out, const OBB& box);
