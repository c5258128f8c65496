// MouseDrag: the mouse turning the scene (left-button drag) and moving it nearer or farther
// (wheel), through the same view commands as the arrow keys and z / Z.
//
// A drag turns the scene one ROTATION_STEP for every DRAG_PIXELS_PER_STEP pixels the pointer
// has moved since the button went down: rightwards like the left arrow (rotationY grows),
// downwards like the down arrow (rotationX grows), so the side of the scene facing the eye
// follows the pointer. Pixels short of a whole step are kept for the next motion, so a drag
// that comes back to where it started leaves the view as it was. One wheel notch towards the
// screen is one 'z' (nearer), one notch back one 'Z' (farther). Other buttons do nothing.
#pragma once

inline constexpr int DRAG_PIXELS_PER_STEP = 4;
// GLUT's numbers for the wheel when no wheel callback is registered (X buttons 4 and 5).
inline constexpr int WHEEL_TOWARDS_SCREEN_BUTTON = 3;
inline constexpr int WHEEL_BACK_BUTTON = 4;

struct MouseDrag {
  bool turning = false;  // the left button is down
  int anchorX = 0;       // pointer position up to which the drag has been turned into steps
  int anchorY = 0;
};

// The process's one drag, read and written by the GLUT mouse callbacks.
extern MouseDrag mouseDrag;

// A button went down (pressed) or up. button and the coordinates as GLUT reports them.
void pressMouseButton(MouseDrag& drag, int button, bool pressed, int x, int y);
// The pointer moved to (x, y) while a button is down.
void dragMouseTo(MouseDrag& drag, int x, int y);

// GLUT mouse and motion callbacks: forward to the functions above with mouseDrag.
void mouseButton(int button, int state, int x, int y);
void mouseMotion(int x, int y);
