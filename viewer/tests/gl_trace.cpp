// Replay of a logged GL call sequence through a model of the state the scene's calls touch.
#include "viewer/tests/gl_trace.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>

Matrix4 translation(double x, double y, double z) {
  return Eigen::Affine3d(Eigen::Translation3d(x, y, z)).matrix();
}

Matrix4 rotation(double degrees, double x, double y, double z) {
  const Eigen::AngleAxisd turn(degrees * std::numbers::pi / 180.0,
                               Eigen::Vector3d(x, y, z).normalized());
  return Eigen::Affine3d(turn).matrix();
}

Matrix4 perspective(double fovyDegrees, double aspect, double zNear, double zFar) {
  const double f = 1.0 / std::tan(fovyDegrees * std::numbers::pi / 360.0);
  Matrix4 m = Matrix4::Zero();
  m(0, 0) = f / aspect;
  m(1, 1) = f;
  m(2, 2) = (zFar + zNear) / (zNear - zFar);
  m(3, 2) = -1.0;
  m(2, 3) = 2.0 * zFar * zNear / (zNear - zFar);
  return m;
}

double relativeDifference(const Matrix4& a, const Matrix4& b) {
  return (a - b).cwiseAbs().maxCoeff() / std::max(1.0, b.cwiseAbs().maxCoeff());
}

namespace {

class Replay {
 public:
  explicit Replay(GlTrace& trace) : trace_(trace) { trace_.frames.emplace_back(); }

  void execute(const GlCall& call) {
    const std::string& name = call.name;
    const auto arg = [&call](std::size_t i) { return call.args.at(i); };
    const auto integer = [&arg](std::size_t i) { return static_cast<int>(arg(i)); };
    if (recording_ >= 0 && name != "glEndList") {
      lists_[recording_].push_back(call);
      if (recordingMode_ == GL_COMPILE) {
        return;
      }
    }
    Matrix4& top = (matrixMode_ == GL_PROJECTION ? projection_ : modelview_).back();
    if (name == "glNewList") {
      recording_ = integer(0);
      recordingMode_ = integer(1);
      lists_[recording_].clear();
    } else if (name == "glEndList") {
      recording_ = -1;
    } else if (name == "glCallList") {
      const std::vector<GlCall> list = lists_[integer(0)];
      for (const GlCall& c : list) {
        execute(c);
      }
    } else if (name == "glMatrixMode") {
      matrixMode_ = integer(0);
    } else if (name == "glLoadIdentity") {
      top = identity();
    } else if (name == "glPushMatrix") {
      auto& stack = matrixMode_ == GL_PROJECTION ? projection_ : modelview_;
      stack.push_back(stack.back());
    } else if (name == "glPopMatrix") {
      auto& stack = matrixMode_ == GL_PROJECTION ? projection_ : modelview_;
      if (stack.size() > 1) {
        stack.pop_back();
      }
    } else if (name == "glTranslatef") {
      top = top * translation(arg(0), arg(1), arg(2));
    } else if (name == "glRotatef") {
      top = top * rotation(arg(0), arg(1), arg(2), arg(3));
    } else if (name == "gluPerspective") {
      top = top * perspective(arg(0), arg(1), arg(2), arg(3));
    } else if (name == "glEnable" || name == "glDisable") {
      if (name == "glEnable") {
        enabled_.insert(integer(0));
      } else {
        enabled_.erase(integer(0));
      }
    } else if (name == "glBlendFunc") {
      blendSource_ = integer(0);
      blendDestination_ = integer(1);
    } else if (name == "glDepthFunc") {
      depthFunction_ = integer(0);
    } else if (name == "glColor4f") {
      colour_ = {arg(0), arg(1), arg(2), arg(3)};
    } else if (name == "glBegin") {
      primitive_ = integer(0);
    } else if (name == "glEnd") {
      primitive_ = -1;
    } else if (name == "glVertex3fv" || name == "glutSolidSphere" || name == "glutWireSphere") {
      draw(name == "glVertex3fv" ? "vertex" : name, call.args);
    } else if (name == "glClear") {
      if (trace_.frames.back().drawn.empty()) {
        trace_.frames.back().clearMask |= integer(0);
      }
    } else if (name == "glutSwapBuffers") {
      trace_.frames.emplace_back();
    }
  }

  // The frame after the last swap is not complete.
  void finish() { trace_.frames.pop_back(); }

 private:
  void draw(const std::string& what, const std::vector<double>& args) {
    Drawn d;
    d.what = what;
    d.primitive = what == "vertex" ? primitive_ : -1;
    d.args = args;
    d.colour = colour_;
    d.modelview = modelview_.back();
    d.projection = projection_.back();
    d.enabled = enabled_;
    d.blendSource = blendSource_;
    d.blendDestination = blendDestination_;
    d.depthFunction = depthFunction_;
    trace_.frames.back().drawn.push_back(std::move(d));
  }

  GlTrace& trace_;
  std::map<int, std::vector<GlCall>> lists_;
  int recording_ = -1;
  int recordingMode_ = 0;
  int matrixMode_ = GL_MODELVIEW;
  std::vector<Matrix4> modelview_{identity()};
  std::vector<Matrix4> projection_{identity()};
  std::array<double, 4> colour_{1, 1, 1, 1};
  std::set<int> enabled_;
  int blendSource_ = GL_ONE;
  int blendDestination_ = GL_ZERO;
  int depthFunction_ = GL_LESS;
  int primitive_ = -1;
};

}  // namespace

GlTrace readGlTrace(const std::string& path) {
  GlTrace trace;
  std::ifstream in(path);
  std::vector<GlCall> calls;
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    GlCall call;
    words >> call.name;
    for (std::string word; words >> word;) {
      call.args.push_back(std::strtod(word.c_str(), nullptr));
    }
    calls.push_back(std::move(call));
    if (calls.back().name == "glutSwapBuffers") {
      trace.calls.insert(trace.calls.end(), calls.begin(), calls.end());
      calls.clear();
    }
  }
  Replay replay(trace);
  for (const GlCall& call : trace.calls) {
    replay.execute(call);
  }
  replay.finish();
  return trace;
}
