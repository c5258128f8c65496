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
void toggleCapsule() {
  viewState.showCapsule = !viewState.showCapsule;
}
void toggleCylinder() {
  viewState.showCylinder = !viewState.showCylinder;
}
void toggleEllipsoid() {
  viewState.showEllipsoid = !viewState.showEllipsoid;
}
void nextKdop() {
  viewState.kdopLayer = (viewState.kdopLayer + 1) % 4;
}
void nextReducedHull() {
  viewState.reducedHullLayer = (viewState.reducedHullLayer + 1) % 4;
}

bool anyEngineLayerShown(const ViewState& view) {
  return view.showCapsule || view.showCylinder || view.showEllipsoid || view.kdopLayer != 0 ||
         view.reducedHullLayer != 0;
}
