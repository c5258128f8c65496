// ComparisonScene: the four comparison layers (minimum box, axis-aligned box, 26-DOP, Ritter's
// sphere) in the frame the scene is drawn in, and the legend that names every layer with its
// volume in the caller's units. GL-free, so the legend's text is tested without a display.
//
// Contract (stated once, here):
// - comparisonScene maps volumes found in the model's units into the scene's frame through
//   the fit's Normalisation (points through toNormalised, lengths times 2^-exponent); the
//   identity normalisation (shift 0, exponent 0) leaves them as they are, as for the
//   program's own cloud, whose scene is its own coordinates. The axis-aligned box is read off
//   the 26-DOP's first six planes (+x, -x, +y, -y, +z, -z), which are the points' extremes.
// - Layer colours are fixed (COMPARISON_LAYERS), so recording the layers takes no draws from
//   rand().
// - legendLines: one header line with the point and hull counts, a column line, then one line
//   per layer 1 to 8: key, name, volume (six significant digits, in the units of the
//   figures) and its ratio to the hull's volume (four significant digits, "-" when the hull
//   has no volume). Every line fits 78 characters: 80 columns of an 8-pixel font at 640
//   pixels. Layers 1 and 2 have random colours and so no swatch.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bounds/bounding_volumes.h"
#include "bounds/box_fit.h"
#include "bounds/minimal_sphere.h"
#include "geometry/vector3.h"
#include "hull/convex_hull.h"

using LayerColour = std::array<float, 3>;

struct ComparisonLayer {
  char key;
  const char* name;
  LayerColour colour;
};

// Keys 5 to 8, in the order of their display lists.
inline constexpr std::array<ComparisonLayer, 4> COMPARISON_LAYERS = {{
    {'5', "minimum-volume box", {0.0f, 0.55f, 0.0f}},
    {'6', "axis-aligned box", {1.0f, 0.5f, 0.0f}},
    {'7', "26-DOP", {0.6f, 0.0f, 0.8f}},
    {'8', "Ritter's sphere", {0.0f, 0.6f, 0.7f}},
}};

struct ComparisonScene {
  OBB minimumBox;
  OBB axisAlignedBox;
  std::vector<Vector3> dopVertices;
  std::vector<std::vector<std::int32_t>> dopFaces;  // loops of dopVertices, as Dop26Face
  Sphere ritterSphere;                              // plain radius
};

ComparisonScene comparisonScene(const ComparisonVolumes& volumes,
                                const Normalisation& normalisation);

// The figures the legend shows, in the caller's units.
struct LegendFigures {
  std::size_t points = 0;
  std::size_t hullVertices = 0;
  std::size_t hullFacets = 0;
  double hullVolume = 0;
  double facetMomentBox = 0;
  double cornerSphere = 0;
  double minimalSphere = 0;
  double minimumBox = 0;
  double axisAlignedBox = 0;
  double dop26 = 0;
  double ritterSphere = 0;
};

// From the any-scale fit, in the model's units: the numbers bvfit prints for the same points.
LegendFigures legendFigures(const BoundingVolumes& volumes);
// From the program's own fit of its cloud: its hull, facet-moment box and minimal sphere.
LegendFigures legendFigures(std::size_t points, const ConvexHull& hull, const OBB& box,
                            const Sphere& minimalSphere, const ComparisonVolumes& comparison);

struct LegendLine {
  std::string text;
  std::optional<LayerColour> swatch;  // the layer's fixed colour, drawn before the text
};

std::vector<LegendLine> legendLines(const LegendFigures& figures);

// One layer's line of the legend, formatted as above.
LegendLine legendRow(char key, const char* name, double volume, double hullVolume,
                     std::optional<LayerColour> swatch);
