// What bvfit prints for one file: the table a person reads and the JSON line a script reads,
// both built from one list of the bounding volumes (volumeEntries), so that a new volume is
// one entry there plus, for a new kind of shape, its three small functions in report.cpp.
//
// Contract (stated once, here):
// - Numbers: nine significant digits (shortest exponent form where shorter), locale
//   independent, so every float reads back as the same float. Counts are plain integers.
//   In the table the ratio to the hull's volume has four significant digits.
// - JSON: one object per file on one line, keys in a fixed order. Vectors are arrays of three
//   numbers, axes an array of three such arrays. A number that is not finite (a ratio to a
//   hull of volume 0) is null. Strings are escaped as JSON requires: quote, backslash and
//   control characters (\b \f \n \r \t, others \u00XX); valid UTF-8 passes through as it is;
//   each byte that is not part of valid UTF-8 (file names are bytes) becomes U+FFFD.
// - Keys of a fitted file: file, points, degenerate (bool), degeneracy ("none", "flat",
//   "linear", "single point"), hull {vertices, facets, area, volume}, boxes {facetMoments
//   {center, axes, halfLengths, volume, volumeToHull}, axisAligned {min, max, volume,
//   volumeToHull}, minimum {...as facetMoments, then complete (bool: the search was exhaustive)
//   and optimalityGap (its proven relative bound above the true minimum, null when none)},
//   pointCovariance {...as facetMoments}}, spheres
//   {corners {center, radius, volume, volumeToHull}, minimal {...the same}, ritter {...the
//   same}}, dop26 {planes (26 offsets in the order of dop26Direction), volume, volumeToHull},
//   capsule {a, b, radius, volume, optimalityGap, seconds}, cylinder {center, axis, halfLength,
//   radius, volume, optimalityGap, seconds}, ellipsoid {center, axes, radii, volume, seconds},
//   kdops {"6", "14", "18", "26": {volume, planes (the k offsets in the order of kdopDirection),
//   seconds}}, reducedHulls {"32", "64", "255": {vertices (their count), volume, seconds}}, each
//   seconds that of the volume's stage, seconds {load, then one key per fitting stage (of the
//   comparison volumes: minimumBox, pointCovarianceBox, dop26, ritterSphere; then capsule,
//   cylinder, ellipsoid, kdop6, kdop14, kdop18, reducedHull32, reducedHull64, reducedHull255),
//   total}. Of a file that failed: file, error (the reason without the file name in front).
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "bounds/bounding_volumes.h"

// Nine significant digits, "%.9g" style but independent of the C locale.
std::string formatNumber(double value);
// As formatNumber, or null when value is not finite.
std::string jsonNumber(double value);
// value in double quotes, escaped (see above).
std::string jsonString(std::string_view value);

// One bounding volume as the outputs show it (the engines' volumes, with their own JSON
// objects, follow these in the table).
struct VolumeEntry {
  const char* group;  // JSON object that holds it: "boxes", "spheres" or "dop26"
  const char* key;    // its key there; nullptr: the entry is the group's object itself
  const char* label;  // its row in the table
  std::variant<OrientedBox, AxisAlignedBox, Sphere, Kdop> shape;
};

// Every volume of the result, in the order of the table and of the JSON.
std::vector<VolumeEntry> volumeEntries(const BoundingVolumes& volumes);
// The enclosed volume of the entry's shape.
double volumeOf(const VolumeEntry& entry);

// The outcome for one file.
struct FileReport {
  std::string file;
  std::string error;  // the reason, empty when the file was read and fitted
  BoundingVolumes volumes;
  std::vector<std::pair<std::string, double>> seconds;  // stage name, seconds, in order
};

// The one-line JSON object, with a line feed.
void writeJson(std::ostream& out, const FileReport& report);
// The table for a fitted file (several lines, ending in an empty line); nothing for a
// failed one, whose error goes to standard error instead.
void writeTable(std::ostream& out, const FileReport& report);

// "final pass" -> "finalPass": the JSON key of a stage name.
std::string camelCase(std::string_view words);
