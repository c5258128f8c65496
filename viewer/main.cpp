// bvdemo: makes a random cloud (20 points unless told otherwise), builds its convex hull, fits
// the oriented box (printing its report) and the minimal enclosing sphere, records the scene
// into four display lists and hands over to the GLUT main loop.
//
// Order of the shared generator's draws: seed (the clock second, or --seed); 3 per point for
// the points; 3 per point and 3 per facet for list 0; 18 for list 1; then the minimal sphere
// reseeds with its own fixed seed.
#include <GL/freeglut.h>

#include <cstdlib>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "bounds/box_fit.h"
#include "bounds/minimal_sphere.h"
#include "geometry/vector3.h"
#include "hull/convex_hull.h"
#include "viewer/command_line.h"
#include "viewer/key_bindings.h"
#include "viewer/mouse_input.h"
#include "viewer/point_cloud.h"
#include "viewer/scene.h"
#include "viewer/window.h"

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

// Lists 0 to 2: the first count points and the hull, the box, the sphere through its corners.
void recordPointsHullAndBox(int count, const std::vector<Vector3>& points, const ConvexHull& hull,
                            const OBB& box) {
  displayListBase = glGenLists(4);
  glNewList(displayListBase, GL_COMPILE);
  drawPointsAndHull(count, points, hull);
  glEndList();
  glNewList(displayListBase + 1, GL_COMPILE);
  drawBox(box);
  glEndList();
  // Through the eight corners: the center-to-corner distance is the length of halfLengths.
  recordWireSphere(displayListBase + 2, box.center, length(box.halfLengths), 1.0f, 0.0f, 0.0f);
}

void recordMinimalSphere(const Sphere& sphere) {
  recordWireSphere(displayListBase + 3, sphere.center, sphere.radius, 0.0f, 0.0f, 1.0f);
}

// The seed given, or else the clock second, read when the generator is seeded.
unsigned int seedOrClock(std::optional<unsigned int> seed) {
  return seed ? *seed : static_cast<unsigned int>(std::time(nullptr));
}

// The program's own cloud of count points, fitted in the libraries' home range.
void showRandomCloud(const std::vector<std::string>& glutArguments,
                     std::optional<unsigned int> seed, int count) {
  std::vector<Vector3> points;
  ConvexHull hull;
  OBB box{};
  Sphere sphere;

  openWindow(glutArguments);

  std::srand(seedOrClock(seed));
  appendRandomPoints(points, count);
  hull.build(points);
  fitBoxToHull(hull, box);
  // When standard output is a pipe or a file the report would otherwise wait in the buffer
  // until exit; it belongs on the console before the window shows anything.
  std::cout.flush();

  recordPointsHullAndBox(count, points, hull, box);
  sphere.center = Vector3::ZERO;
  sphere.radius = 1.0f;
  fitSphereToHull(hull, sphere);
  recordMinimalSphere(sphere);

  glutMainLoop();
}

}  // namespace

int main(int argc, char** argv) {
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

  showRandomCloud(commandLine.glutArguments, options.seed, options.points.value_or(POINT_COUNT));
  return 0;
}
