// The model's own layer (key m): what a model file or a fitted cloud looks like, drawn before
// every other layer so that the translucent volumes are seen around it.
//
// One display list, recorded only for a point set fitted at any scale; the program's own cloud
// records none, so its frames stay as they were. Taking no draws from the generator, it can be
// recorded after the others without changing their colours.
//   With faces: the surface as opaque, depth-tested triangles in SURFACE_COLOUR, lit by one
//   directional light fixed to the eye (upper left, in front), one normal per face and both
//   sides lit, so inward-wound faces shade like the others. Degenerate faces are skipped.
//   Without faces: every point as an opaque, depth-tested dot of DOT_SIZE pixels in the colour
//   of its height over the cloud's z range (heightColour).
// The list leaves lighting off, as it found it; the point size stays set (to DOT_SIZE, the size
// the scene's own dots use).
#pragma once

#include "viewer/model_scene.h"

// 0 until recordModelLayer ran; the display callback draws nothing for the layer before.
extern unsigned int modelListBase;

void recordModelLayer(const ModelScene& scene);
