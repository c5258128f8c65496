// Immediate-mode drawing of the comparison layers and of the legend overlay.
#include "viewer/comparison_layers.h"

#include <GL/freeglut.h>

#include <array>
#include <iterator>

#include "viewer/box_corners.h"

unsigned int comparisonListBase = 0;
std::vector<LegendLine> legendText;

namespace {

constexpr float FACE_ALPHA = 0.25f;
constexpr float EDGE_ALPHA = 0.9f;

void setColour(const LayerColour& colour, float alpha) {
  glColor4f(colour[0], colour[1], colour[2], alpha);
}

// Every loop as a translucent polygon, blended over the frame, then as a depth-tested edge.
void drawFacesAndEdges(const std::vector<Vector3>& vertices,
                       const std::vector<std::vector<std::int32_t>>& loops,
                       const LayerColour& colour) {
  glDisable(GL_DEPTH_TEST);
  setColour(colour, FACE_ALPHA);
  for (const GLenum mode : {GL_POLYGON, GL_LINE_LOOP}) {
    for (const auto& loop : loops) {
      glBegin(mode);
      for (const std::int32_t v : loop)
        glVertex3fv(&vertices[static_cast<std::size_t>(v)].x);
      glEnd();
    }
    glEnable(GL_DEPTH_TEST);
    setColour(colour, EDGE_ALPHA);
  }
}

void drawBoxLayer(const OBB& box, const LayerColour& colour) {
  const std::array<Vector3, 8> corners = boxCorners(box);
  std::vector<std::vector<std::int32_t>> loops;
  for (const auto& face : BOX_FACES)
    loops.emplace_back(std::begin(face), std::end(face));
  drawFacesAndEdges(std::vector<Vector3>(corners.begin(), corners.end()), loops, colour);
}

}  // namespace

void recordComparisonLayers(const ComparisonScene& scene) {
  comparisonListBase = glGenLists(4);
  glNewList(comparisonListBase, GL_COMPILE);
  drawBoxLayer(scene.minimumBox, COMPARISON_LAYERS[0].colour);
  glEndList();
  glNewList(comparisonListBase + 1, GL_COMPILE);
  drawBoxLayer(scene.axisAlignedBox, COMPARISON_LAYERS[1].colour);
  glEndList();
  glNewList(comparisonListBase + 2, GL_COMPILE);
  drawFacesAndEdges(scene.dopVertices, scene.dopFaces, COMPARISON_LAYERS[2].colour);
  glEndList();
  glNewList(comparisonListBase + 3, GL_COMPILE);
  glPushMatrix();
  setColour(COMPARISON_LAYERS[3].colour, EDGE_ALPHA);
  glTranslatef(scene.ritterSphere.center.x, scene.ritterSphere.center.y,
               scene.ritterSphere.center.z);
  glutWireSphere(scene.ritterSphere.radius, 16, 16);
  glPopMatrix();
  glEndList();
}

void drawLegend(const std::vector<LegendLine>& lines) {
  constexpr int LINE_HEIGHT = 15;
  constexpr int MARGIN = 6;
  constexpr int SWATCH = 10;
  constexpr int GLYPH_WIDTH = 8;
  std::array<GLint, 4> viewport{};
  glGetIntegerv(GL_VIEWPORT, viewport.data());
  const int height = viewport[3];
  std::size_t widest = 0;
  for (const LegendLine& line : lines)
    widest = std::max(widest, line.text.size());

  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, viewport[2], 0.0, height, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);

  // A nearly opaque white panel keeps the text readable over any layer.
  const int textLeft = MARGIN + SWATCH + MARGIN;
  const int right = textLeft + static_cast<int>(widest) * GLYPH_WIDTH + MARGIN;
  const int bottom = height - 2 * MARGIN - static_cast<int>(lines.size()) * LINE_HEIGHT;
  glColor4f(1.0f, 1.0f, 1.0f, 0.85f);
  glRecti(0, height, right, bottom);

  int baseline = height - MARGIN - LINE_HEIGHT + 3;
  for (const LegendLine& line : lines) {
    if (line.swatch) {
      glColor4f((*line.swatch)[0], (*line.swatch)[1], (*line.swatch)[2], 1.0f);
      glRecti(MARGIN, baseline - 1, MARGIN + SWATCH, baseline - 1 + SWATCH);
    }
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    glRasterPos2i(textLeft, baseline);
    for (const char c : line.text)
      glutBitmapCharacter(GLUT_BITMAP_8_BY_13, c);
    baseline -= LINE_HEIGHT;
  }

  glEnable(GL_DEPTH_TEST);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}
