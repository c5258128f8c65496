// The scene's display lists: what lists 0 and 1 hold, and where the four lists start.
//
// Lists, replayed in this order by the display callback (after the model's own layer, when
// there is one: model_layer.h):
//   displayListBase + 0  points (small solid spheres, or dots when many) and hull triangles
//                                  drawPointsAndHull, or for a fitted point set
//                                  drawModelPointsAndHull
//   displayListBase + 1  the box as six quads                              drawBox
//   displayListBase + 2  red wire sphere through the box's corners        (the driver)
//   displayListBase + 3  blue wire sphere, the minimal enclosing sphere   (the driver)
// Every colour has alpha 0.5. Random colours are drawn red, green, blue, one randomShade
// each, when a list is recorded, so they stay fixed for the run. Triangles and quads are
// drawn with the depth test off: they blend over the frame in drawing order and never hide
// anything; the point markers and the wire spheres are depth-tested.
#pragma once

#include <vector>

#include "bounds/box_fit.h"
#include "geometry/vector3.h"
#include "hull/convex_hull.h"

// The first of the four consecutive list names (glGenLists(4)); set by the driver before the
// main loop, read by the display callback.
extern unsigned int displayListBase;

// Up to this many points are drawn as solid spheres; more as dots, since a sphere per point
// would slow every frame down in proportion to the cloud (see drawPointsAndHull).
inline constexpr int MAX_SPHERE_MARKERS = 1000;
// Side of a dot in pixels.
inline constexpr float DOT_SIZE = 2.0f;

// Issues the GL calls for list 0: the first count points (nothing when count <= 0), each in
// its own colour, then every hull facet in list order as triangles of one GL_TRIANGLES batch,
// one colour per facet (drawn even when the facet has no triangles). Up to MAX_SPHERE_MARKERS
// points each is a sphere of radius 1 (5 slices, 5 stacks); beyond that all are dots of
// DOT_SIZE pixels in one GL_POINTS batch (the point size stays set). Takes 3 * count +
// 3 * facets draws from the generator either way.
void drawPointsAndHull(int count, const std::vector<Vector3>& points, const ConvexHull& hull);

// List 0 for a point set fitted at any scale, whose hull may have thousands of facets: the
// points as drawPointsAndHull draws them (3 * count draws) but with the depth test strict
// (GL_LESS, GL_LEQUAL again after), so that they do not paint over the model layer's own dots
// drawn before them at the same depth, then the hull's triangles in one
// translucent colour (MODEL_HULL_COLOUR, alpha 0.15, one GL_TRIANGLES batch, depth test off)
// and every facet's sides as depth-tested GL_LINES in a darker shade of it, so the hull reads
// as one shape. Its faces take no draws from the generator.
void drawModelPointsAndHull(const std::vector<Vector3>& points, const ConvexHull& hull);

// Issues the GL calls for list 1: the six faces of BOX_FACES as one GL_QUADS batch, one
// colour per face. Takes 18 draws from the generator.
void drawBox(const OBB& box);
