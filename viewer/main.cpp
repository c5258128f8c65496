// bvdemo: shows a point set with its convex hull, oriented box and two spheres, prints the
// box report, records the scene into four display lists and hands over to the GLUT main loop.
//
// The program's own cloud of POINT_COUNT points (the run without arguments, or with --seed)
// is fitted as it always was: hull, box fit (printing the report) and minimal sphere, in the
// libraries' home range. Anything else, a model file or a cloud of another size, goes
// through computeBoundingVolumes, which works at any scale; its report is in the model's
// units and its scene is drawn normalised (ModelScene).
//
// Order of the shared generator's draws for the program's cloud: seed (the clock second, or
// --seed); 3 per point for the points; 3 per point and 3 per facet for list 0; 18 for list 1;
// then the minimal sphere reseeds with its own fixed seed; the comparison layers, recorded
// last, draw nothing. For any other point set: for a
// cloud the seed and 3 per point; the fit, which seeds the generator itself; the seed
// (again); then 3 per point for list 0 (its hull has one colour) and 18 for list 1; the
// comparison layers and the model's own layer, recorded last, draw nothing. Only such a
// point set records the model's layer: the program's own cloud makes the GL calls it always
// made. The engines' layers of either, fitted and recorded only when one is first shown,
// draw nothing from the generator.
#include <GL/freeglut.h>

#include <cstdlib>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "bounds/bounding_volumes.h"
#include "bounds/box_fit.h"
#include "bounds/minimal_sphere.h"
#include "geometry/vector3.h"
#include "hull/convex_hull.h"
#include "loading/model_loader.h"
#include "viewer/command_line.h"
#include "viewer/comparison_layers.h"
#include "viewer/comparison_scene.h"
#include "viewer/engine_layers.h"
#include "viewer/key_bindings.h"
#include "viewer/model_layer.h"
#include "viewer/model_scene.h"
#include "viewer/mouse_input.h"
#include "viewer/point_cloud.h"
#include "viewer/scene.h"
#include "viewer/standard_streams.h"
#include "viewer/window.h"
#include "volumes/comparison_volumes.h"

namespace {

// Records a wire sphere (16 slices, 16 stacks) in the given colour, depth-tested.
void recordWireSphere(unsigned int list, const Vector3& center, double radius, float red,
                      float green, float blue) {
  glNewList(list, GL_COMPILE);
  glPushMatrix();
  glColor4f(red, green, blue, 0.5f);
  glTranslatef(center.x, center.y, center.z);
  glutWireSphere(radius, 16, 16);
  glPopMatrix();
  glEndList();
}

// Binds the keys, opens the window with GLUT's part of the command line and registers the
// callbacks.
void openWindow(const std::vector<std::string>& glutArguments) {
  // glutInit may reorder argv and lower argc; both stay ours until the process ends.
  static std::vector<std::string> strings;
  static std::vector<char*> argv;
  strings = glutArguments;
  for (std::string& argument : strings) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);
  int argc = static_cast<int>(strings.size());

  bindKeys();
  bindComparisonKeys();
  bindModelKey();
  bindEngineKeys();
  initWindow(argc, argv.data());
  initGL();
  glutKeyboardFunc(keyboard);
  glutSpecialFunc(special);
  glutReshapeFunc(reshape);
  glutDisplayFunc(display);
  glutIdleFunc(display);
  glutMouseFunc(mouseButton);
  glutMotionFunc(mouseMotion);
}

// Lists 0 to 2: the points and the hull (drawn by drawList0), the box, the sphere about its
// corners.
template <class DrawList0>
void recordPointsHullAndBox(DrawList0 drawList0, const OBB& box, const Sphere& cornerSphere) {
  displayListBase = glGenLists(4);
  glNewList(displayListBase, GL_COMPILE);
  drawList0();
  glEndList();
  glNewList(displayListBase + 1, GL_COMPILE);
  drawBox(box);
  glEndList();
  recordWireSphere(displayListBase + 2, cornerSphere.center, cornerSphere.radius, 1.0f, 0.0f, 0.0f);
}

void recordMinimalSphere(const Sphere& sphere) {
  recordWireSphere(displayListBase + 3, sphere.center, sphere.radius, 0.0f, 0.0f, 1.0f);
}

// The seed given, or else the clock second, read when it is needed.
unsigned int seedOrClock(std::optional<unsigned int> seed) {
  return seed ? *seed : static_cast<unsigned int>(std::time(nullptr));
}

// The program's own cloud of POINT_COUNT points, fitted in the libraries' home range.
void showRandomCloud(const std::vector<std::string>& glutArguments,
                     std::optional<unsigned int> seed) {
  std::vector<Vector3> points;
  ConvexHull hull;
  OBB box{};
  Sphere sphere;

  openWindow(glutArguments);

  std::srand(seedOrClock(seed));
  appendRandomPoints(points, POINT_COUNT);
  hull.build(points);
  fitBoxToHull(hull, box);
  // When standard output is a pipe or a file the report would otherwise wait in the buffer
  // until exit; it belongs on the console before the window shows anything.
  std::cout.flush();

  // Through the eight corners: the center-to-corner distance is the length of halfLengths.
  recordPointsHullAndBox([&] { drawPointsAndHull(POINT_COUNT, points, hull); }, box,
                         Sphere{box.center, length(box.halfLengths)});
  sphere.center = Vector3::ZERO;
  sphere.radius = 1.0f;
  fitSphereToHull(hull, sphere);
  recordMinimalSphere(sphere);
  // The comparison volumes draw nothing from the generator; their lists come after the four.
  const BoxAxes facetMomentAxes = {Vector3d(box.axes[0]), Vector3d(box.axes[1]),
                                   Vector3d(box.axes[2])};
  const ComparisonVolumes comparison =
      computeComparisonVolumes(points, hull, std::span<const BoxAxes>(&facetMomentAxes, 1));
  recordComparisonLayers(comparisonScene(comparison, Normalisation{}));
  const LegendFigures figures = legendFigures(points.size(), hull, box, sphere, comparison);
  legendText = legendLines(figures);
  // Fitted the first time one of their layers is shown; the cloud is its own scene frame.
  engineLayerSource = {[&points, box = comparison.minimumBox] {
                         return computeEngineVolumes(points, StageCallback(), &box);
                       },
                       Normalisation{}, figures.hullVolume};

  glutMainLoop();
}

// Any other point set: fitted at any scale and reported in its own units before the window
// opens, drawn in its normalised frame with colours from seed, with the model's own layer
// showing triangles (the model's faces; none for a cloud). Returns 0, or 2 when the fit
// refuses the points (name says whose they are in the error line).
int showFittedPoints(const std::vector<std::string>& glutArguments,
                     const std::vector<Vector3>& points,
                     const std::vector<SurfaceTriangle>& triangles, unsigned int seed,
                     const std::string& name) {
  const BoundingVolumesResult fit =
      computeBoundingVolumes(points, StageCallback(), FitOptions{false});
  if (!fit.ok()) {
    std::cerr << name << ": " << fit.error << '\n';
    return 2;
  }
  writeBoxReport(std::cout, toOBB(fit.volumes.facetMomentBox));
  std::cout.flush();
  const ModelScene scene = modelScene(points, fit.volumes, triangles);

  openWindow(glutArguments);
  // The fit seeded the generator for its own shuffle; the colours are the run's.
  std::srand(seed);
  recordPointsHullAndBox([&] { drawModelPointsAndHull(scene.points, scene.hull); }, scene.box,
                         scene.cornerSphere);
  recordMinimalSphere(scene.minimalSphere);
  recordComparisonLayers(comparisonScene(fit.volumes.comparison, fit.volumes.normalisation));
  recordModelLayer(scene);
  legendText = legendLines(legendFigures(fit.volumes));
  // Fitted the first time one of their layers is shown: their searches would keep a large
  // model's window waiting.
  engineLayerSource = {[&points, box = fit.volumes.comparison.minimumBox] {
                         return computeEngineVolumes(points, StageCallback(), &box);
                       },
                       fit.volumes.normalisation, fit.volumes.hull.volume};

  glutMainLoop();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Before anything opens a descriptor: a closed standard output must not become the X
  // connection (or a model file).
  ensureStandardDescriptorsOpen();
  const CommandLine commandLine = parseCommandLine(std::vector<std::string>(argv, argv + argc));
  if (!commandLine.ok()) {
    std::cerr << "bvdemo: " << commandLine.error << " (bvdemo --help shows the usage)\n";
    return 2;
  }
  const DemoOptions& options = commandLine.options;
  if (options.help) {
    std::cout << usageText();
    return 0;
  }

  if (!options.modelPath.empty()) {
    // Read before any window opens, so a bad file needs no display to be reported.
    const LoadResult model = loadPoints(options.modelPath);
    if (!model.ok()) {
      std::cerr << model.error << '\n';
      return 2;
    }
    return showFittedPoints(commandLine.glutArguments, model.points, model.triangles,
                            seedOrClock(options.seed), options.modelPath);
  }
  const int count = options.points.value_or(POINT_COUNT);
  if (count == POINT_COUNT) {
    showRandomCloud(commandLine.glutArguments, options.seed);
    return 0;
  }
  const unsigned int seed = seedOrClock(options.seed);
  std::srand(seed);
  std::vector<Vector3> points;
  appendRandomPoints(points, count);
  return showFittedPoints(commandLine.glutArguments, points, {}, seed, "the random cloud");
}
