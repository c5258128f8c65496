// ViewState: where the scene stands in front of the camera, which of its layers (the model's
// own, the four of the start, the four comparison layers, the engines' layers) and whether the
// legend are shown,
// together with the commands that change it (one value each).
//
// The key commands write it and the display callback reads it, both on the one GLUT
// thread. No value is bounded: angles are not wrapped and cameraZ is not clamped.
#pragma once

struct ViewState {
  float cameraZ = -300.0f;         // translation of the scene along z, in scene units
  float rotationX = 0.0f;          // degrees about the x axis, applied after rotationY
  float rotationY = 0.0f;          // degrees about the scene's own y axis
  bool showPointsAndHull = true;   // display list 0
  bool showBox = false;            // display list 1
  bool showBoxSphere = false;      // display list 2
  bool showMinimalSphere = false;  // display list 3
  // The comparison layers and the legend (bindComparisonKeys), all off at start.
  bool showMinimumBox = false;      // comparison list 0
  bool showAxisAlignedBox = false;  // comparison list 1
  bool showDop26 = false;           // comparison list 2
  bool showRitterSphere = false;    // comparison list 3
  bool showLegend = false;          // the legend overlay
  // The model's own layer (bindModelKey): on at start; the program's own cloud has none.
  bool showModel = true;
  // The engines' layers (bindEngineKeys), all off at start. kdopLayer and reducedHullLayer
  // pick one of three (1 to 3) or none (0).
  bool showCapsule = false;
  bool showCylinder = false;
  bool showEllipsoid = false;
  int kdopLayer = 0;         // 1, 2, 3: the 6-, 14-, 18-DOP
  int reducedHullLayer = 0;  // 1, 2, 3: at most 32, 64, 255 vertices

  bool operator==(const ViewState&) const = default;
};

// The process's one view. GLUT callbacks take no user argument, so the display callback and
// the key commands meet here. Constant-initialised, so it holds its start values before main.
extern ViewState viewState;

// Steps of the camera and the turns, per key press.
inline constexpr float CAMERA_STEP = 100.0f;
inline constexpr float ROTATION_STEP = 2.0f;

// The commands. Each changes exactly one value of viewState and requests no redraw: the
// render loop redraws continuously and shows the change on its next frame.
void moveSceneCloser();       // cameraZ += 100
void moveSceneAway();         // cameraZ -= 100
void togglePointsAndHull();   // flips showPointsAndHull
void toggleBox();             // flips showBox
void toggleBoxSphere();       // flips showBoxSphere
void toggleMinimalSphere();   // flips showMinimalSphere
void decreaseRotationX();     // rotationX -= 2
void increaseRotationX();     // rotationX += 2
void increaseRotationY();     // rotationY += 2
void decreaseRotationY();     // rotationY -= 2
void toggleMinimumBox();      // flips showMinimumBox
void toggleAxisAlignedBox();  // flips showAxisAlignedBox
void toggleDop26();           // flips showDop26
void toggleRitterSphere();    // flips showRitterSphere
void toggleLegend();          // flips showLegend
void toggleModel();           // flips showModel
void toggleCapsule();         // flips showCapsule
void toggleCylinder();        // flips showCylinder
void toggleEllipsoid();       // flips showEllipsoid
void nextKdop();              // kdopLayer 0 -> 1 -> 2 -> 3 -> 0
void nextReducedHull();       // reducedHullLayer 0 -> 1 -> 2 -> 3 -> 0

// Whether any of the engines' layers is on.
bool anyEngineLayerShown(const ViewState& view);
