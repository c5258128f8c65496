// The mouse: what a drag and the wheel do to the view, compared with the keys.
#include "viewer/mouse_input.h"

#include <GL/freeglut_std.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "viewer/key_bindings.h"
#include "viewer/view_state.h"

namespace {

class MouseInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    keyBindings = KeyBindings{};
    viewState = ViewState{};
    mouseDrag = MouseDrag{};
    bindKeys();
  }
};

// The view after pressing these special keys and characters on a fresh view.
ViewState afterKeys(const std::vector<int>& specialKeys, const std::string& characters = "") {
  const ViewState saved = viewState;
  viewState = ViewState{};
  for (const int key : specialKeys) {
    special(key, 0, 0);
  }
  for (const char c : characters) {
    keyboard(static_cast<unsigned char>(c), 0, 0);
  }
  const ViewState result = viewState;
  viewState = saved;
  return result;
}

TEST_F(MouseInputTest, DragTurnsTheSceneLikeTheArrowKeysOneStepPerFourPixels) {
  mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 100);
  mouseMotion(140, 100);  // 40 pixels right: ten left-arrow steps
  EXPECT_EQ(viewState, afterKeys(std::vector<int>(10, GLUT_KEY_LEFT)));
  mouseMotion(140, 87);  // 13 pixels up: three up-arrow steps, one pixel left over
  std::vector<int> keys(10, GLUT_KEY_LEFT);
  keys.insert(keys.end(), 3, GLUT_KEY_UP);
  EXPECT_EQ(viewState, afterKeys(keys));
  mouseMotion(140, 84);  // three more pixels complete the fourth step
  keys.push_back(GLUT_KEY_UP);
  EXPECT_EQ(viewState, afterKeys(keys));

  // Released, the pointer moves without turning anything; the next drag starts afresh.
  mouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 140, 84);
  const ViewState released = viewState;
  mouseMotion(300, 300);
  EXPECT_EQ(viewState, released);
  mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 300, 300);
  mouseMotion(298, 302);
  EXPECT_EQ(viewState, released) << "two pixels are not a step yet";
}

TEST_F(MouseInputTest, AnyDragThatEndsWhereItStartedLeavesTheViewAsItWas) {
  std::mt19937 rng(2024);
  std::uniform_int_distribution<int> move(-37, 37);
  for (int trial = 0; trial < 300; ++trial) {
    viewState = ViewState{};
    const int startX = 320 + move(rng);
    const int startY = 240 + move(rng);
    pressMouseButton(mouseDrag, GLUT_LEFT_BUTTON, true, startX, startY);
    int x = startX;
    int y = startY;
    for (int step = 0; step < 20; ++step) {
      x += move(rng);
      y += move(rng);
      dragMouseTo(mouseDrag, x, y);
      // Every whole step of the offset so far has been taken, and only those.
      EXPECT_LT(std::abs(x - mouseDrag.anchorX), DRAG_PIXELS_PER_STEP);
      EXPECT_LT(std::abs(y - mouseDrag.anchorY), DRAG_PIXELS_PER_STEP);
      EXPECT_EQ(
          viewState.rotationY,
          ROTATION_STEP * static_cast<float>((mouseDrag.anchorX - startX) / DRAG_PIXELS_PER_STEP));
      EXPECT_EQ(
          viewState.rotationX,
          ROTATION_STEP * static_cast<float>((mouseDrag.anchorY - startY) / DRAG_PIXELS_PER_STEP));
    }
    dragMouseTo(mouseDrag, startX, startY);
    pressMouseButton(mouseDrag, GLUT_LEFT_BUTTON, false, startX, startY);
    EXPECT_EQ(viewState, ViewState{}) << "trial " << trial;
  }
}

TEST_F(MouseInputTest, WheelNotchesMoveTheSceneLikeZAndOtherButtonsDoNothing) {
  mouseButton(WHEEL_TOWARDS_SCREEN_BUTTON, GLUT_DOWN, 5, 5);
  mouseButton(WHEEL_TOWARDS_SCREEN_BUTTON, GLUT_UP, 5, 5);
  EXPECT_EQ(viewState, afterKeys({}, "z"));
  mouseButton(WHEEL_BACK_BUTTON, GLUT_DOWN, 5, 5);
  mouseButton(WHEEL_BACK_BUTTON, GLUT_UP, 5, 5);
  mouseButton(WHEEL_BACK_BUTTON, GLUT_DOWN, 5, 5);
  mouseButton(WHEEL_BACK_BUTTON, GLUT_UP, 5, 5);
  EXPECT_EQ(viewState, afterKeys({}, "zZZ"));

  const ViewState before = viewState;
  for (const int button : {GLUT_MIDDLE_BUTTON, GLUT_RIGHT_BUTTON, 5, 6, 7}) {
    mouseButton(button, GLUT_DOWN, 10, 10);
    mouseMotion(200, 200);
    mouseButton(button, GLUT_UP, 200, 200);
  }
  EXPECT_EQ(viewState, before);
}

}  // namespace
