// Sweep: the minimum-volume box of every model in a folder (by default Debian's
// assimp-testmodels) against CGAL's randomised oriented_bounding_box on the same points. CGAL's
// box is an upper bound of the true minimum, so ours should never be larger than it beyond the
// search's proven gap (1e-7) and the outward rounding of its float results (about 1e-7): a
// model where ours is larger by more than 1e-6 is a fault, and the sweep says so.
//
// Two ratios per model: "found" is the box of our axes measured exactly in double (the
// product of the points' extents along them) over CGAL's (in double too), which is what the
// search decides; "stored" is the volume of the float box we return. Storing the centre in
// float moves it by up to half a float step of its coordinates and widens the box by as much,
// so a small part far from the origin (a 10 cm part 4 units out) pays parts per million
// there, which no choice of float centre avoids.
//
// Per readable model with a solid hull it prints: points, hull vertices, both ratios, whether
// our search was complete, and both times (ours: the whole fit without the engines' volumes,
// computeBoundingVolumes, which includes the exact hull; CGAL: with its own hull). Then the
// summary: models, the worst and mean ratios, the number found above 1 + 1e-6 and the total
// times. Exit status 1 when any model is found above. Usage: box_sweep [FOLDER]
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/optimal_bounding_box.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bounds/bounding_volumes.h"
#include "geometry/vector3d.h"
#include "loading/model_loader.h"

namespace {

// Exact predicates: with plain double predicates CGAL's own hull corrupts its heap on models
// with coplanar faces (3DS/fels.3ds of the test models).
using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double cgalVolume(const std::vector<Vector3>& cloud) {
  std::vector<Kernel::Point_3> points;
  points.reserve(cloud.size());
  for (const Vector3& p : cloud)
    points.emplace_back(p.x, p.y, p.z);
  std::array<Kernel::Point_3, 8> corners;
  CGAL::oriented_bounding_box(points, corners,
                              CGAL::parameters::use_convex_hull(true).random_seed(1));
  // Corners 1, 3 and 5 are the neighbours of corner 0.
  return std::sqrt(CGAL::squared_distance(corners[0], corners[1]) *
                   CGAL::squared_distance(corners[0], corners[3]) *
                   CGAL::squared_distance(corners[0], corners[5]));
}

// The product of the points' extents along the box's axes, in double.
double exactVolumeAlong(const std::vector<Vector3>& points, const OrientedBox& box) {
  double volume = 1.0;
  for (int k = 0; k < 3; ++k) {
    const Vector3d axis(box.axes[k]);
    double low = INFINITY;
    double high = -INFINITY;
    for (const Vector3& p : points) {
      const double t = dot(Vector3d(p), axis);
      low = std::min(low, t);
      high = std::max(high, t);
    }
    volume *= high - low;
  }
  return volume;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder = argc > 1 ? argv[1] : "/usr/share/assimp/models";
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
    if (entry.is_regular_file())
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  std::printf("%-56s %8s %6s %12s %12s %8s %8s %8s\n", "model", "points", "hull", "found/CGAL",
              "stored/CGAL", "complete", "ours s", "CGAL s");
  int models = 0;
  int above = 0;
  double worst = 0.0;
  double worstStored = 0.0;
  double sumRatio = 0.0;
  double sumStored = 0.0;
  double oursTotal = 0.0;
  double cgalTotal = 0.0;
  for (const std::filesystem::path& file : files) {
    const LoadResult model = loadPoints(file.string());
    if (!model.ok() || model.points.size() < 4)
      continue;
    auto start = Clock::now();
    const BoundingVolumesResult fit =
        computeBoundingVolumes(model.points, StageCallback(), FitOptions{false});
    const double ours = secondsSince(start);
    if (!fit.ok() || fit.volumes.degeneracy != Degeneracy::None)
      continue;
    start = Clock::now();
    const double theirs = cgalVolume(model.points);
    const double cgal = secondsSince(start);
    const OrientedBox& box = fit.volumes.comparison.minimumBox;
    const double ratio = exactVolumeAlong(model.points, box) / theirs;
    const double stored = box.volume / theirs;
    ++models;
    worst = std::max(worst, ratio);
    worstStored = std::max(worstStored, stored);
    sumRatio += ratio;
    sumStored += stored;
    above += ratio > 1 + 1e-6 ? 1 : 0;
    oursTotal += ours;
    cgalTotal += cgal;
    const std::string name = std::filesystem::relative(file, folder).string();
    std::printf("%-56s %8zu %6zu %12.9f %12.9f %8s %8.3f %8.3f%s\n", name.c_str(),
                model.points.size(), fit.volumes.hull.vertices, ratio, stored,
                fit.volumes.comparison.minimumBoxSearch.complete ? "yes" : "NO", ours, cgal,
                ratio > 1 + 1e-6 ? "  ABOVE" : "");
    std::fflush(stdout);
  }
  std::printf(
      "\n%d models: found / CGAL worst %.9f, mean %.9f, %d above 1 + 1e-6; stored / CGAL worst "
      "%.9f, mean %.9f; time ours %.2f s, CGAL %.2f s (ours / CGAL %.3f)\n",
      models, worst, models > 0 ? sumRatio / models : 0.0, above, worstStored,
      models > 0 ? sumStored / models : 0.0, oursTotal, cgalTotal,
      cgalTotal > 0 ? oursTotal / cgalTotal : 0.0);
  return above > 0 ? 1 : 0;
}
