// Mouse drag and wheel, turned into view commands.
#include "viewer/mouse_input.h"

#include <GL/freeglut_std.h>  // GLUT_LEFT_BUTTON and GLUT_DOWN only; nothing here calls GLUT

#include "viewer/key_bindings.h"
#include "viewer/view_state.h"

MouseDrag mouseDrag;

namespace {

// Runs the command once per whole step in offset (the other one for negative offsets) and
// returns the pixels used up.
int stepsOf(int offset, Command forward, Command backward) {
  const int steps = offset / DRAG_PIXELS_PER_STEP;  // towards zero: a partial step waits
  for (int i = 0; i < steps; ++i) {
    forward();
  }
  for (int i = 0; i > steps; --i) {
    backward();
  }
  return steps * DRAG_PIXELS_PER_STEP;
}

}  // namespace

void pressMouseButton(MouseDrag& drag, int button, bool pressed, int x, int y) {
  if (button == GLUT_LEFT_BUTTON) {
    drag.turning = pressed;
    drag.anchorX = x;
    drag.anchorY = y;
  } else if (pressed && button == WHEEL_TOWARDS_SCREEN_BUTTON) {
    moveSceneCloser();
  } else if (pressed && button == WHEEL_BACK_BUTTON) {
    moveSceneAway();
  }
}

void dragMouseTo(MouseDrag& drag, int x, int y) {
  if (!drag.turning) {
    return;
  }
  drag.anchorX += stepsOf(x - drag.anchorX, increaseRotationY, decreaseRotationY);
  drag.anchorY += stepsOf(y - drag.anchorY, increaseRotationX, decreaseRotationX);
}

void mouseButton(int button, int state, int x, int y) {
  pressMouseButton(mouseDrag, button, state == GLUT_DOWN, x, y);
}

void mouseMotion(int x, int y) {
  dragMouseTo(mouseDrag, x, y);
}
