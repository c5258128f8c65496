// bvfit: the bounding volumes of model and point-list files, as a table or as JSON lines,
// for people and pipelines. Loads each file through the loading library, fits with
// computeBoundingVolumes, and prints through report.h. No window, no display.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "bounds/bounding_volumes.h"
#include "bounds/volume_meshes.h"
#include "bvfit/report.h"
#include "loading/model_loader.h"
#include "loading/scene_export.h"

namespace {

constexpr int EXIT_UNREAD = 2;

constexpr std::string_view USAGE = "usage: bvfit [--json] [--export OUT] FILE...\n";

constexpr std::string_view HELP = R"(usage: bvfit [--json] [--export OUT] FILE...

Prints the bounding volumes of each model or point-list file: its exact convex hull
(extreme points, triangles, faces of coplanar triangles, surface area, enclosed volume), the oriented box fitted by facet moments,
the axis-aligned box, the minimum-volume box, the covariance box of the points, the sphere
through the box's corners, the minimal enclosing sphere, Ritter's sphere and the 26-DOP,
and the volumes of physics engines: the minimum-volume ellipsoid, the 6-, 14- and 18-DOPs
and reduced hulls of at most 32, 64 and 255 vertices, in the file's own units. Every volume holds every point of the file.

Files: meshes in every format Assimp reads (OBJ, PLY, STL, OFF, glTF, ...), every mesh with
its node transforms applied, the vertices as the points; and plain text point lists
(.txt, .xyz, .pts, .csv, .asc: three numbers a line, '#' starts a comment).

Output, per file:
  without --json  a table: points, hull vertices, facets, area, volume and faces, and for
                  each bounding volume its size, its volume and its volume relative to the
                  hull's (how tightness is usually compared). A flat, linear or single-point
                  shape is named as degenerate; its hull has no volume to compare with.
  --json          one JSON object per file and line, with the keys
                    file, points, degenerate (true/false), degeneracy,
                    hull {vertices, facets (triangles), faces, area, volume},
                    boxes {facetMoments {center, axes, halfLengths, volume, volumeToHull},
                           axisAligned {min, max, volume, volumeToHull},
                           minimum {center, axes, halfLengths, volume, volumeToHull},
                           pointCovariance {...the same}},
                    spheres {corners {center, radius, volume, volumeToHull},
                             minimal {...the same}, ritter {...the same}},
                    dop26 {planes (26 offsets: +x, -x, +y, -y, +z, -z, then the face
                           and the space diagonals), volume, volumeToHull},
                    ellipsoid {center, axes, radii, volume, seconds},
                    kdops {"6", "14", "18", "26": {volume, planes (k offsets, in the
                           26-DOP's order), seconds}},
                    reducedHulls {"32", "64", "255": {vertices (count), volume, seconds}},
                    seconds {load, normalising, hull, ..., minimumBox,
                             pointCovarianceBox, dop26, ritterSphere, ellipsoid, kdop6,
                             kdop14, kdop18, reducedHull32, reducedHull64,
                             reducedHull255, total}
                  vectors as arrays of three numbers, axes as three such arrays, null for a
                  ratio to a hull of volume 0; for a file that could not be read
                    {"file": ..., "error": ...}
Numbers have nine significant digits, so every coordinate reads back as the same float.

A file that cannot be read (missing, unreadable, a format nobody reads, no vertices, a
non-finite coordinate) gives one line "bvfit: FILE: reason" on standard error; the other
files are still processed. While it works, bvfit shows progress (file n of m, the stage)
on standard error when that is a terminal, and nothing when it is not.

Export (--export OUT): the hull and every volume as named meshes of one scene, in the
format OUT's extension names: .glb, .gltf (with its buffer beside it as .bin), .obj, .ply
or .stl (PLY and STL keep no names; the meshes follow one another in this order):
  hull, facet-moment-box, minimum-box, axis-aligned-box, point-covariance-box,
  corner-sphere, minimal-sphere, ritter-sphere, dop26, capsule, cylinder, ellipsoid,
  kdop6, kdop14, kdop18, reduced-hull-32, reduced-hull-64, reduced-hull-255
each box as 12 triangles, each sphere, the ellipsoid, the capsule and the cylinder as
polyhedra drawn around them (so they hold every point the volume holds), the k-DOPs and
reduced hulls as their faces. With several files
OUT is a folder (made when missing) whose extension names the format, and each file's
volumes go to OUT/NAME.EXT, NAME being the file's name without its extension. An unknown
extension or a place that cannot be written gives one line "bvfit: OUT: reason" and exit
status 2; the file is written beside the target first and renamed, so nothing half-written
is left.

Options:
  --json      JSON lines instead of the table
  --export OUT  also write the volumes as meshes to OUT (see above)
  -h, --help  this text
  --          every later argument is a file

Exit status: 0 when every file was read (and exported), 2 when any was not or the
arguments are wrong.
)";

// Progress on a terminal: one line, rewritten in place and cleared before other output.
class Progress {
 public:
  explicit Progress(bool enabled) : enabled_(enabled) {}
  void show(std::size_t index, std::size_t count, const std::string& file, const char* stage) {
    if (!enabled_)
      return;
    std::cerr << "\r\033[Kbvfit: file " << index + 1 << " of " << count << " (" << file
              << "): " << stage << std::flush;
    shown_ = true;
  }
  void clear() {
    if (shown_)
      std::cerr << "\r\033[K" << std::flush;
    shown_ = false;
  }

 private:
  bool enabled_;
  bool shown_ = false;
};

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The reason of a loader error "FILE: reason", without the file in front.
std::string reasonOf(const std::string& error, const std::string& file) {
  const std::string prefix = file + ": ";
  return error.starts_with(prefix) ? error.substr(prefix.size()) : error;
}

// Where --export writes one input's meshes: OUT itself, or OUT/NAME.EXT for several inputs.
struct ExportTarget {
  std::string out;  // empty: no export
  bool folder = false;

  std::string pathFor(const std::string& file) const {
    if (!folder) {
      return out;
    }
    const std::filesystem::path outPath(out);
    return (outPath / std::filesystem::path(file).stem()).string() + outPath.extension().string();
  }
};

// exportError: set to "PATH: reason" when the volumes were fitted but not written.
FileReport processFile(const std::string& file, std::size_t index, std::size_t count,
                       Progress& progress, const ExportTarget& target, std::string& exportError) {
  FileReport report;
  report.file = file;
  const Clock::time_point start = Clock::now();
  progress.show(index, count, file, "loading");
  LoadResult loaded = loadPoints(file);
  report.seconds.emplace_back("load", secondsSince(start));
  if (!loaded.ok()) {
    report.error = reasonOf(loaded.error, file);
    return report;
  }
  Clock::time_point stageStart = Clock::now();
  const auto onStage = [&](const char* stage) {
    if (report.seconds.size() > 1)
      report.seconds.back().second = secondsSince(stageStart);
    stageStart = Clock::now();
    report.seconds.emplace_back(stage, 0.0);
    progress.show(index, count, file, stage);
  };
  BoundingVolumesResult fitted = computeBoundingVolumes(loaded.points, onStage);
  if (report.seconds.size() > 1)
    report.seconds.back().second = secondsSince(stageStart);
  report.seconds.emplace_back("total", secondsSince(start));
  if (!fitted.ok()) {
    report.error = fitted.error;
    return report;
  }
  report.volumes = fitted.volumes;
  if (!target.out.empty()) {
    progress.show(index, count, file, "exporting");
    const std::string path = target.pathFor(file);
    const std::vector<TriangleMesh> meshes = volumeMeshes(loaded.points, fitted.volumes);
    if (std::string reason = exportMeshes(path, meshes); !reason.empty()) {
      exportError = path + ": " + reason;
    }
  }
  return report;
}

}  // namespace

int main(int argc, char** argv) {
  bool json = false;
  ExportTarget target;
  std::vector<std::string> files;
  bool optionsEnd = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (optionsEnd || !argument.starts_with("-") || argument == "-") {
      files.emplace_back(argument);
    } else if (argument == "--") {
      optionsEnd = true;
    } else if (argument == "--json") {
      json = true;
    } else if (argument == "--export" || argument.starts_with("--export=")) {
      if (argument == "--export" && i + 1 == argc) {
        std::cerr << "bvfit: --export needs OUT\n" << USAGE;
        return EXIT_UNREAD;
      }
      target.out = argument == "--export" ? argv[++i] : argument.substr(9);
    } else if (argument == "--help" || argument == "-h") {
      std::cout << HELP;
      return 0;
    } else {
      std::cerr << "bvfit: unknown option " << argument << '\n' << USAGE;
      return EXIT_UNREAD;
    }
  }
  if (files.empty()) {
    std::cerr << USAGE;
    return EXIT_UNREAD;
  }

  if (!target.out.empty()) {
    // Refused before any file is read: a mistyped format should not cost a long fit.
    if (std::string reason = checkExportPath(target.out); !reason.empty()) {
      std::cerr << "bvfit: " << target.out << ": " << reason << '\n';
      return EXIT_UNREAD;
    }
    target.folder = files.size() > 1;
    std::error_code code;
    if (target.folder && !std::filesystem::is_directory(target.out) &&
        !std::filesystem::create_directories(target.out, code)) {
      std::cerr << "bvfit: " << target.out << ": cannot make the folder ("
                << (code ? code.message() : "it exists and is no folder") << ")\n";
      return EXIT_UNREAD;
    }
  }

  Progress progress(isatty(STDERR_FILENO) == 1);
  bool anyUnread = false;
  for (std::size_t i = 0; i < files.size(); ++i) {
    std::string exportError;
    const FileReport report = processFile(files[i], i, files.size(), progress, target, exportError);
    progress.clear();
    if (!report.error.empty()) {
      anyUnread = true;
      std::cerr << "bvfit: " << report.file << ": " << report.error << '\n';
    }
    if (!exportError.empty()) {
      anyUnread = true;
      std::cerr << "bvfit: " << exportError << '\n';
    }
    if (json)
      writeJson(std::cout, report);
    else
      writeTable(std::cout, report);
    // Each file's result reaches a pipeline as soon as it is known.
    std::cout.flush();
  }
  return anyUnread ? EXIT_UNREAD : 0;
}
