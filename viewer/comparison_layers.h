// The comparison layers' display lists and the legend overlay, drawn by the display callback
// after the scene's own four lists.
//
// Lists, recorded after the scene's four (so those take the same colours from the generator
// as ever) and taking no draws themselves:
//   comparisonListBase + 0  minimum-volume box: translucent faces, opaque edges
//   comparisonListBase + 1  axis-aligned box: the same
//   comparisonListBase + 2  26-DOP: its faces as polygons, its edges
//   comparisonListBase + 3  Ritter's sphere: a wire sphere (16 slices, 16 stacks)
// each in its fixed colour (COMPARISON_LAYERS). Faces have alpha 0.25 and are drawn with the
// depth test off, like the box of list 1; edges and the wire sphere are depth-tested.
#pragma once

#include <vector>

#include "viewer/comparison_scene.h"

// 0 until recordComparisonLayers ran; the display callback draws none of them before.
extern unsigned int comparisonListBase;
// What the legend overlay shows; set by the driver before the main loop.
extern std::vector<LegendLine> legendText;

void recordComparisonLayers(const ComparisonScene& scene);

// The legend in the window's top left corner, over a white panel, in GLUT's 8 x 13 bitmap
// font: one colour swatch and one text line per LegendLine. Leaves the projection, the
// model-view matrix and the depth test as it found them.
void drawLegend(const std::vector<LegendLine>& lines);
