// randomShade: one random colour component for the scene's translucent layers.
#pragma once

// 0.25 + (rand() % 256) / 256 in float: from 0.25 up to 1.24609375. A quarter of the values
// reach 1 or more, which OpenGL clamps to full intensity. Draws one value from the shared
// generator per call, so the order of calls decides every colour of a run.
float randomShade();
