// The one GLUT window: opening it, the fixed OpenGL state, the projection that follows its
// size, and the display callback that redraws it continuously from viewState.
//
// Closing the window ends the GLUT main loop, which then returns to the driver (exit status
// 0). Where the GL offers swap control, buffer swaps wait for the display's refresh, so the
// continuous redraw runs at the refresh rate instead of as fast as it can.
#pragma once

inline constexpr int WINDOW_WIDTH = 640;
inline constexpr int WINDOW_HEIGHT = 480;
inline constexpr int WINDOW_X = 100;
inline constexpr int WINDOW_Y = 100;
inline constexpr char WINDOW_TITLE[] = "GLUT app";

// glutInit with the command line, display mode RGBA | DOUBLE | ALPHA | DEPTH (26), position
// (100, 100), size 640 x 480, the window "GLUT app", then reshape(640, 480) directly.
void initWindow(int& argc, char** argv);
// Smooth shading, opaque white clear colour, clear depth 1, depth test GL_LEQUAL, blending
// by source alpha; nothing else enabled. Then asks for a swap interval of 1.
void initGL();
// GLUT reshape callback: viewport and a 75-degree perspective (near 1, far 100000) for the
// window's size; a zero width or height counts as 1. Leaves GL_MODELVIEW current.
void reshape(int width, int height);
// GLUT display and idle callback: clears, places the camera, replays the model's layer when
// it is recorded and switched on, the lists switched on in the order 0 to 3, then the comparison
// lists switched on in their order, draws the legend when it is on, swaps and requests the next
// redisplay.
void display();
