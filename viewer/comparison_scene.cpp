// The comparison layers moved into the scene's frame, and the legend's text.
#include "viewer/comparison_scene.h"

#include <charconv>
#include <cmath>

#include "viewer/model_scene.h"
#include "volumes/hull_graph.h"
#include "volumes/hull_volume.h"

namespace {

OBB boxToScene(const OBB& box, const Normalisation& normalisation) {
  OBB moved = box;
  moved.center = normalisation.toNormalised(box.center);
  for (int k = 0; k < 3; ++k)
    moved.halfLengths[k] = std::ldexp(box.halfLengths[k], -normalisation.exponent);
  return moved;
}

std::string withDigits(double value, int digits) {
  std::array<char, 64> buffer{};
  const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                          std::chars_format::general, digits);
  return error == std::errc() ? std::string(buffer.data(), end) : "?";
}

std::string padded(std::string text, std::size_t width) {
  if (text.size() < width)
    text.append(width - text.size(), ' ');
  return text;
}

double axisAlignedVolume(const Kdop& dop) {
  const auto& o = dop.offsets;
  return (o[0] + o[1]) * (o[2] + o[3]) * (o[4] + o[5]);
}

}  // namespace

ComparisonScene comparisonScene(const ComparisonVolumes& volumes,
                                const Normalisation& normalisation) {
  ComparisonScene scene;
  scene.minimumBox = boxToScene(toOBB(volumes.minimumBox), normalisation);
  const auto& o = volumes.dop26.offsets;
  const Vector3 min{static_cast<float>(-o[1]), static_cast<float>(-o[3]),
                    static_cast<float>(-o[5])};
  const Vector3 max{static_cast<float>(o[0]), static_cast<float>(o[2]), static_cast<float>(o[4])};
  const Vector3 lo = normalisation.toNormalised(min);
  const Vector3 hi = normalisation.toNormalised(max);
  scene.axisAlignedBox = OBB{(lo + hi) * 0.5f, (hi - lo) * 0.5f, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  for (const Vector3d& v : volumes.dop26.vertices)
    scene.dopVertices.push_back(normalisation.toNormalised(v.toFloat()));
  for (const KdopFace& face : volumes.dop26.faces)
    scene.dopFaces.push_back(face.loop);
  scene.ritterSphere = Sphere{normalisation.toNormalised(volumes.ritterSphere.center),
                              std::ldexp(volumes.ritterSphere.radius, -normalisation.exponent)};
  return scene;
}

LegendFigures legendFigures(const BoundingVolumes& volumes) {
  LegendFigures figures;
  figures.points = volumes.points;
  figures.hullVertices = volumes.hull.vertices;
  figures.hullFacets = volumes.hull.facets;
  figures.hullVolume = volumes.hull.volume;
  figures.facetMomentBox = volumes.facetMomentBox.volume;
  figures.cornerSphere = sphereVolume(volumes.cornerSphere);
  figures.minimalSphere = sphereVolume(volumes.minimalSphere);
  figures.minimumBox = volumes.comparison.minimumBox.volume;
  figures.axisAlignedBox = volumes.axisAlignedBox.volume;
  figures.dop26 = volumes.comparison.dop26.volume;
  figures.ritterSphere = sphereVolume(volumes.comparison.ritterSphere);
  return figures;
}

LegendFigures legendFigures(std::size_t points, const ConvexHull& hull, const OBB& box,
                            const Sphere& minimalSphere, const ComparisonVolumes& comparison) {
  LegendFigures figures;
  figures.points = points;
  figures.hullVertices = gatherHullGraph(hull).vertices.size();
  figures.hullFacets = hull.facets.size();
  figures.hullVolume = hullVolume(hull);
  const Vector3& h = box.halfLengths;
  figures.facetMomentBox = 8.0 * static_cast<double>(h.x) * h.y * h.z;
  figures.cornerSphere = sphereVolume(Sphere{box.center, length(h)});
  figures.minimalSphere = sphereVolume(minimalSphere);
  figures.minimumBox = comparison.minimumBox.volume;
  figures.axisAlignedBox = axisAlignedVolume(comparison.dop26);
  figures.dop26 = comparison.dop26.volume;
  figures.ritterSphere = sphereVolume(comparison.ritterSphere);
  return figures;
}

LegendLine legendRow(char key, const char* name, double volume, double hullVolume,
                     std::optional<LayerColour> swatch) {
  const double ratio = volume / hullVolume;
  return {std::string(1, key) + "    " + padded(name, 21) + padded(withDigits(volume, 6), 14) +
              (hullVolume > 0 && std::isfinite(ratio) ? withDigits(ratio, 4) : "-"),
          swatch};
}

std::vector<LegendLine> legendLines(const LegendFigures& f) {
  struct Row {
    char key;
    const char* name;
    double volume;
    std::optional<LayerColour> swatch;
  };
  const Row rows[] = {
      {'1', "convex hull", f.hullVolume, std::nullopt},
      {'2', "facet-moment box", f.facetMomentBox, std::nullopt},
      {'3', "corner sphere", f.cornerSphere, LayerColour{1.0f, 0.0f, 0.0f}},
      {'4', "minimal sphere", f.minimalSphere, LayerColour{0.0f, 0.0f, 1.0f}},
      {'5', COMPARISON_LAYERS[0].name, f.minimumBox, COMPARISON_LAYERS[0].colour},
      {'6', COMPARISON_LAYERS[1].name, f.axisAlignedBox, COMPARISON_LAYERS[1].colour},
      {'7', COMPARISON_LAYERS[2].name, f.dop26, COMPARISON_LAYERS[2].colour},
      {'8', COMPARISON_LAYERS[3].name, f.ritterSphere, COMPARISON_LAYERS[3].colour},
  };
  std::vector<LegendLine> lines;
  lines.push_back({std::to_string(f.points) + " points, hull " + std::to_string(f.hullVertices) +
                       " vertices, " + std::to_string(f.hullFacets) + " facets",
                   std::nullopt});
  lines.push_back({"key  layer                volume        / hull", std::nullopt});
  for (const Row& row : rows)
    lines.push_back(legendRow(row.key, row.name, row.volume, f.hullVolume, row.swatch));
  return lines;
}
