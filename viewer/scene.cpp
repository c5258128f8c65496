// Immediate-mode drawing of the points, the hull and the box, recorded into display lists.
#include "viewer/scene.h"

#include <GL/freeglut.h>

#include <array>

#include "viewer/box_corners.h"
#include "viewer/random_shade.h"

unsigned int displayListBase = 0;

namespace {

constexpr float LAYER_ALPHA = 0.5f;

// Three separate statements: the components are drawn red, green, blue.
void setRandomColor() {
  const float red = randomShade();
  const float green = randomShade();
  const float blue = randomShade();
  glColor4f(red, green, blue, LAYER_ALPHA);
}

}  // namespace

void drawPointsAndHull(int count, const std::vector<Vector3>& points, const ConvexHull& hull) {
  if (count <= MAX_SPHERE_MARKERS) {
    for (int i = 0; i < count; ++i) {
      const Vector3& p = points[static_cast<std::size_t>(i)];
      setRandomColor();
      glPushMatrix();
      glTranslatef(p.x, p.y, p.z);
      glutSolidSphere(1.0, 5, 5);
      glPopMatrix();
    }
  } else {
    glPointSize(DOT_SIZE);
    glBegin(GL_POINTS);
    for (int i = 0; i < count; ++i) {
      setRandomColor();
      glVertex3fv(&points[static_cast<std::size_t>(i)].x);
    }
    glEnd();
  }

  glDisable(GL_DEPTH_TEST);
  glBegin(GL_TRIANGLES);
  for (const Facet& facet : hull.facets) {
    setRandomColor();
    for (const std::int32_t k : facet.triangleIndices) {
      glVertex3fv(&facet.vertices[static_cast<std::size_t>(k)].x);
    }
  }
  glEnd();
  glEnable(GL_DEPTH_TEST);
}

void drawBox(const OBB& box) {
  const std::array<Vector3, 8> corners = boxCorners(box);
  glDisable(GL_DEPTH_TEST);
  glBegin(GL_QUADS);
  for (const auto& face : BOX_FACES) {
    setRandomColor();
    for (const int corner : face) {
      glVertex3fv(&corners[static_cast<std::size_t>(corner)].x);
    }
  }
  glEnd();
  glEnable(GL_DEPTH_TEST);
}
