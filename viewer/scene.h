// The scene's display lists: what lists 0 and 1 hold, and where the four lists start.
//
// Lists, replayed in this order by the display callback:
//   displayListBase + 0  points (small solid spheres) and hull triangles  drawPointsAndHull
//   displayListBase + 1  the box as six quads                              drawBox
//   displayListBase + 2  red wire sphere through the box's corners        (the driver)
//   displayListBase + 3  blue wire sphere, the minimal enclosing sphere   (the driver)
// Every colour has alpha 0.5. Random colours are drawn red, green, blue, one randomShade
// each, when a list is recorded, so they stay fixed for the run. Triangles and quads are
// drawn with the depth test off: they blend over the frame in drawing order and never hide
// anything; the point spheres and the wire spheres are depth-tested.
#pragma once

#include <vector>

#include "bounds/box_fit.h"
#include "geometry/vector3.h"
#include "hull/convex_hull.h"

// The first of the four consecutive list names (glGenLists(4)); set by the driver before the
// main loop, read by the display callback.
extern unsigned int displayListBase;

// Issues the GL calls for list 0: the first count points (nothing when count <= 0), each a
// sphere of radius 1 (5 slices, 5 stacks) in its own colour, then every hull facet in list
// order as triangles of one GL_TRIANGLES batch, one colour per facet (drawn even when the
// facet has no triangles). Takes 3 * count + 3 * facets draws from the generator.
void drawPointsAndHull(int count, const std::vector<Vector3>& points, const ConvexHull& hull);

// Issues the GL calls for list 1: the six faces of BOX_FACES as one GL_QUADS batch, one
// colour per face. Takes 18 draws from the generator.
void drawBox(const OBB& box);
