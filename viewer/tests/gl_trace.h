// GlTrace: what bvdemo drew, read from the calls the test preload logged (e2e_preload.cpp)
// and replayed through a small model of the fixed-function state those calls touch: the
// model-view and projection stacks, the current colour, the capabilities switched on, the depth
// and blend functions, and display lists (recorded on glNewList, replayed on glCallList). A test
// compares each frame with what the scene must contain, item by item, whichever way the program
// arranged its calls.
#pragma once

#include <Eigen/Geometry>
#include <array>
#include <set>
#include <string>
#include <vector>

// A 4x4 matrix, and the matrices the GL calls multiply by.
using Matrix4 = Eigen::Matrix4d;
inline Matrix4 identity() {
  return Matrix4::Identity();
}
Matrix4 translation(double x, double y, double z);
// glRotate: degrees about the axis (x, y, z), which is normalised first.
Matrix4 rotation(double degrees, double x, double y, double z);
// gluPerspective, as GLU documents it.
Matrix4 perspective(double fovyDegrees, double aspect, double zNear, double zFar);
// Largest difference between two matrices, in units of the larger entry of b (at least 1).
double relativeDifference(const Matrix4& a, const Matrix4& b);

struct GlCall {
  std::string name;
  std::vector<double> args;
};

// One thing drawn, with the state it was drawn in.
struct Drawn {
  std::string what;          // "glutSolidSphere", "glutWireSphere" or "vertex"
  int primitive = -1;        // for a vertex, the mode of its glBegin
  std::vector<double> args;  // a sphere's radius, slices, stacks; a vertex's x, y, z
  std::array<double, 4> colour{};
  Matrix4 modelview = identity();
  Matrix4 projection = identity();
  std::set<int> enabled;  // the capabilities switched on (glEnable), such as GL_DEPTH_TEST
  int blendSource = 0;
  int blendDestination = 0;
  int depthFunction = 0;
};

struct TracedFrame {
  int clearMask = 0;  // the buffers cleared before the first thing was drawn
  std::vector<Drawn> drawn;
};

struct GlTrace {
  std::vector<GlCall> calls;        // up to the last logged buffer swap
  std::vector<TracedFrame> frames;  // one per logged swap: the first frame, then each change
};

// Reads the log; lines after its last glutSwapBuffers (a frame still being written) are left
// out. A missing file gives an empty trace.
GlTrace readGlTrace(const std::string& path);
