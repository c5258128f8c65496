// Immediate-mode drawing of the model's surface, or of its points coloured by height.
#include "viewer/model_layer.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>

#include "viewer/scene.h"

unsigned int modelListBase = 0;

namespace {

// The unit normal of a face's winding, or false for a face without area.
bool faceNormal(const Vector3& a, const Vector3& b, const Vector3& c, float normal[3]) {
  const double u[3] = {double(b.x) - a.x, double(b.y) - a.y, double(b.z) - a.z};
  const double v[3] = {double(c.x) - a.x, double(c.y) - a.y, double(c.z) - a.z};
  const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                       u[0] * v[1] - u[1] * v[0]};
  const double size = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(size > 0.0) || !std::isfinite(size)) {
    return false;
  }
  for (int k = 0; k < 3; ++k) {
    normal[k] = static_cast<float>(n[k] / size);
  }
  return true;
}

void drawSurface(const ModelScene& scene) {
  // In eye coordinates, so the light stays where it is as the model turns.
  const GLfloat direction[4] = {-0.4f, 0.6f, 1.0f, 0.0f};
  const GLfloat diffuse[4] = {0.75f, 0.75f, 0.75f, 1.0f};
  const GLfloat none[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  const GLfloat ambient[4] = {0.3f, 0.3f, 0.3f, 1.0f};
  glPushMatrix();
  glLoadIdentity();
  glLightfv(GL_LIGHT0, GL_POSITION, direction);
  glPopMatrix();
  glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT0, GL_AMBIENT, none);
  glLightfv(GL_LIGHT0, GL_SPECULAR, none);
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
  glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
  glEnable(GL_COLOR_MATERIAL);
  glEnable(GL_LIGHT0);
  glEnable(GL_LIGHTING);
  glColor4f(SURFACE_COLOUR[0], SURFACE_COLOUR[1], SURFACE_COLOUR[2], 1.0f);
  glBegin(GL_TRIANGLES);
  for (const SurfaceTriangle& t : scene.surface) {
    const Vector3& a = scene.points[t[0]];
    const Vector3& b = scene.points[t[1]];
    const Vector3& c = scene.points[t[2]];
    float normal[3];
    if (!faceNormal(a, b, c, normal)) {
      continue;
    }
    glNormal3fv(normal);
    glVertex3fv(&a.x);
    glVertex3fv(&b.x);
    glVertex3fv(&c.x);
  }
  glEnd();
  glDisable(GL_LIGHTING);
  glDisable(GL_LIGHT0);
  glDisable(GL_COLOR_MATERIAL);
}

void drawHeightDots(const ModelScene& scene) {
  const auto [lowest, highest] =
      std::minmax_element(scene.points.begin(), scene.points.end(),
                          [](const Vector3& p, const Vector3& q) { return p.z < q.z; });
  if (lowest == scene.points.end()) {
    return;
  }
  glPointSize(DOT_SIZE);
  glBegin(GL_POINTS);
  for (const Vector3& p : scene.points) {
    const std::array<float, 3> colour = heightColour(heightFraction(p.z, lowest->z, highest->z));
    glColor4f(colour[0], colour[1], colour[2], 1.0f);
    glVertex3fv(&p.x);
  }
  glEnd();
}

}  // namespace

void recordModelLayer(const ModelScene& scene) {
  modelListBase = glGenLists(1);
  glNewList(modelListBase, GL_COMPILE);
  if (scene.surface.empty()) {
    drawHeightDots(scene);
  } else {
    drawSurface(scene);
  }
  glEndList();
}
