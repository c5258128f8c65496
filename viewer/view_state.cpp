// The process-wide view state and the commands that change it.
#include "viewer/view_state.h"

constinit ViewState viewState;

void moveSceneCloser() {
  viewState.cameraZ += CAMERA_STEP;
}
void moveSceneAway() {
  viewState.cameraZ -= CAMERA_STEP;
}
void togglePointsAndHull() {
  viewState.showPointsAndHull = !viewState.showPointsAndHull;
}
void toggleBox() {
  viewState.showBox = !viewState.showBox;
}
void toggleBoxSphere() {
  viewState.showBoxSphere = !viewState.showBoxSphere;
}
void toggleMinimalSphere() {
  viewState.showMinimalSphere = !viewState.showMinimalSphere;
}
void decreaseRotationX() {
  viewState.rotationX -= ROTATION_STEP;
}
void increaseRotationX() {
  viewState.rotationX += ROTATION_STEP;
}
void increaseRotationY() {
  viewState.rotationY += ROTATION_STEP;
}
void decreaseRotationY() {
  viewState.rotationY -= ROTATION_STEP;
}
void toggleMinimumBox() {
  viewState.showMinimumBox = !viewState.showMinimumBox;
}
void toggleAxisAlignedBox() {
  viewState.showAxisAlignedBox = !viewState.showAxisAlignedBox;
}
void toggleDop26() {
  viewState.showDop26 = !viewState.showDop26;
}
void toggleRitterSphere() {
  viewState.showRitterSphere = !viewState.showRitterSphere;
}
void toggleModel() {
  viewState.showModel = !viewState.showModel;
}
void toggleLegend() {
  viewState.showLegend = !viewState.showLegend;
}
