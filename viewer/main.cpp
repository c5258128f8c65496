// bvdemo: makes a random cloud of 20 points, builds its convex hull, fits the oriented box
// (printing its report) and the minimal enclosing sphere, records the scene into four display
// lists and hands over to the GLUT main loop.
//
// Order of the shared generator's draws: clock seed; 60 for the points; 3 per point and 3 per
// facet for list 0; 18 for list 1; then the minimal sphere reseeds with its own fixed seed.
#include <GL/freeglut.h>

#include <cstdlib>
#include <ctime>
#include <iostream>
#include <vector>

#include "bounds/box_fit.h"
#include "bounds/minimal_sphere.h"
#include "geometry/vector3.h"
#include "hull/convex_hull.h"
#include "viewer/key_bindings.h"
#include "viewer/point_cloud.h"
#include "viewer/scene.h"
#include "viewer/standard_streams.h"
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

}  // namespace

int main(int argc, char** argv) {
  // Before anything opens a descriptor: a closed standard output must not become the X
  // connection.
  ensureStandardDescriptorsOpen();
  std::vector<Vector3> points;
  ConvexHull hull;
  OBB box{};
  Sphere sphere;

  bindKeys();
  initWindow(argc, argv);
  initGL();
  glutKeyboardFunc(keyboard);
  glutSpecialFunc(special);
  glutReshapeFunc(reshape);
  glutDisplayFunc(display);
  glutIdleFunc(display);

  std::srand(static_cast<unsigned int>(std::time(nullptr)));
  appendRandomPoints(points, POINT_COUNT);
  hull.build(points);
  fitBoxToHull(hull, box);
  // When standard output is a pipe or a file the report would otherwise wait in the buffer
  // until exit; it belongs on the console before the window shows anything.
  std::cout.flush();

  displayListBase = glGenLists(4);
  glNewList(displayListBase, GL_COMPILE);
  drawPointsAndHull(POINT_COUNT, points, hull);
  glEndList();
  glNewList(displayListBase + 1, GL_COMPILE);
  drawBox(box);
  glEndList();
  // Through the eight corners: the center-to-corner distance is the length of halfLengths.
  recordWireSphere(displayListBase + 2, box.center, length(box.halfLengths), 1.0f, 0.0f, 0.0f);

  sphere.center = Vector3::ZERO;
  sphere.radius = 1.0f;
  fitSphereToHull(hull, sphere);
  recordWireSphere(displayListBase + 3, sphere.center, sphere.radius, 0.0f, 0.0f, 1.0f);

  glutMainLoop();
  return 0;
}
