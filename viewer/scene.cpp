// Immediate-mode drawing of the points, the hull and the box, recorded into display lists.
#include "viewer/scene.h"

#include <GL/freeglut.h>

#include <array>

#include "viewer/box_corners.h"
#include "viewer/model_scene.h"
#include "viewer/random_shade.h"

unsigned int displayListBase = 0;

namespace {

constexpr float LAYER_ALPHA = 0.5f;
constexpr float MODEL_HULL_ALPHA = 0.15f;
constexpr float MODEL_HULL_EDGE_ALPHA = 0.9f;

// Three separate statements: the components are drawn red, green, blue.
void setRandomColor() {
  const float red = randomShade();
  const float green = randomShade();
  const float blue = randomShade();
  glColor4f(red, green, blue, LAYER_ALPHA);
}

void drawPointMarkers(int count, const std::vector<Vector3>& points) {
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
}

}  // namespace

void drawPointsAndHull(int count, const std::vector<Vector3>& points, const ConvexHull& hull) {
  drawPointMarkers(count, points);

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

void drawModelPointsAndHull(const std::vector<Vector3>& points, const ConvexHull& hull) {
  // Where the model's own layer already drew a dot at the very same depth, its colour stays:
  // a scan of a million points reads by its height colours, not as a million random ones.
  glDepthFunc(GL_LESS);
  drawPointMarkers(static_cast<int>(points.size()), points);
  glDepthFunc(GL_LEQUAL);

  glDisable(GL_DEPTH_TEST);
  glColor4f(MODEL_HULL_COLOUR[0], MODEL_HULL_COLOUR[1], MODEL_HULL_COLOUR[2], MODEL_HULL_ALPHA);
  glBegin(GL_TRIANGLES);
  for (const Facet& facet : hull.facets) {
    for (const std::int32_t k : facet.triangleIndices) {
      glVertex3fv(&facet.vertices[static_cast<std::size_t>(k)].x);
    }
  }
  glEnd();
  glEnable(GL_DEPTH_TEST);
  glColor4f(MODEL_HULL_COLOUR[0] * 0.6f, MODEL_HULL_COLOUR[1] * 0.6f, MODEL_HULL_COLOUR[2] * 0.6f,
            MODEL_HULL_EDGE_ALPHA);
  glBegin(GL_LINES);
  for (const Facet& facet : hull.facets) {
    const std::size_t corners = facet.vertices.size();
    for (std::size_t i = 0; i < corners; ++i) {
      glVertex3fv(&facet.vertices[i].x);
      glVertex3fv(&facet.vertices[(i + 1) % corners].x);
    }
  }
  glEnd();
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
