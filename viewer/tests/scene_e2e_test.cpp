// The scene of a real bvdemo run, call by call: the OpenGL calls it makes (logged by the test
// preload and replayed through a model of the GL state) against what the libraries' results
// require, item by item: each point sphere, hull vertex, box corner and wire sphere in drawing
// order, with its colour, its place under the camera, and the depth-test and blend state it is
// drawn in. Also the swap interval, through stand-ins for the swap-control calls.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "bounds/box_fit.h"
#include "bounds/minimal_sphere.h"
#include "hull/convex_hull.h"
#include "hull/tests/golden_cases.h"
#include "viewer/tests/bvdemo_fixture.h"

namespace {

struct Scene {
  std::vector<Vector3> points;
  ConvexHull hull;
  OBB box{};
  Sphere sphere;
  std::vector<std::array<double, 4>> colours;  // points, facets, box faces: drawing order
};

// A run's scene from its clock seed: after the 60 draws of the points, each point, each facet
// and each box face takes three colour components (0.25 + (draw % 256) / 256, exact in
// float), and the libraries compute the rest.
Scene sceneFor(long long clockSeconds) {
  Scene s;
  s.points = golden::clockSeedCloud(clockSeconds);
  s.hull.build(s.points);
  const auto shade = [] { return 0.25f + static_cast<float>(std::rand() % 256) / 256; };
  for (std::size_t i = 0; i < 20 + s.hull.facets.size() + 6; ++i) {
    const float red = shade();
    const float green = shade();
    const float blue = shade();
    s.colours.push_back({red, green, blue, 0.5});
  }
  std::ostringstream report;
  fitBoxToHull(s.hull, s.box, report);
  sphereSeedPending = true;  // the program's first sphere
  fitSphereToHull(s.hull, s.sphere);
  return s;
}

Matrix4 placedAt(const Vector3& p) {
  return translation(p.x, p.y, p.z);
}

// The scene moved along z and turned about x after being turned about its own y axis.
Matrix4 camera(double z, double degreesX, double degreesY) {
  return translation(0, 0, z) * rotation(degreesX, 1, 0, 0) * rotation(degreesY, 0, 1, 0);
}

// Everything but the matrices, exactly (nine digits tell floats apart).
std::string text(const Drawn& d) {
  std::ostringstream os;
  os.precision(9);
  os << d.what << ' ' << d.primitive << " (";
  for (const double a : d.args) {
    os << ' ' << a;
  }
  os << " ) colour";
  for (const double c : d.colour) {
    os << ' ' << c;
  }
  os << " enabled";
  for (const int cap : d.enabled) {
    os << ' ' << cap;
  }
  os << " blend " << d.blendSource << ' ' << d.blendDestination << " depth " << d.depthFunction;
  return os.str();
}

// What must be drawn in a frame with the given layers on, under the given camera; box
// corners are left for expectBoxFaces (their arithmetic order is not the scene's contract).
std::vector<Drawn> expectedItems(const Scene& s, const bool layers[4], const Matrix4& view) {
  std::vector<Drawn> items;
  const auto add = [&items, &view](const char* what, int primitive, std::vector<double> args,
                                   const std::array<double, 4>& colour, const Matrix4& place,
                                   bool depthTest) {
    Drawn d;
    d.what = what;
    d.primitive = primitive;
    d.args = std::move(args);
    d.colour = colour;
    d.modelview = view * place;
    d.projection = perspective(75.0, 640.0 / 480.0, 1.0, 100000.0);
    d.enabled = depthTest ? std::set<int>{GL_DEPTH_TEST, GL_BLEND} : std::set<int>{GL_BLEND};
    d.blendSource = GL_SRC_ALPHA;
    d.blendDestination = GL_ONE_MINUS_SRC_ALPHA;
    d.depthFunction = GL_LEQUAL;
    items.push_back(d);
  };
  const Matrix4 same = identity();
  std::size_t colour = 0;
  if (layers[0]) {
    for (const Vector3& p : s.points) {
      add("glutSolidSphere", -1, {1, 5, 5}, s.colours[colour++], placedAt(p), true);
    }
    for (const Facet& f : s.hull.facets) {
      for (const std::int32_t k : f.triangleIndices) {
        const Vector3& v = f.vertices[static_cast<std::size_t>(k)];
        add("vertex", GL_TRIANGLES, {v.x, v.y, v.z}, s.colours[colour], same, false);
      }
      ++colour;
    }
  }
  colour = 20 + s.hull.facets.size();
  if (layers[1]) {
    for (int face = 0; face < 6; ++face) {
      for (int corner = 0; corner < 4; ++corner) {
        add("vertex", GL_QUADS, {}, s.colours[colour], same, false);
      }
      ++colour;
    }
  }
  if (layers[2]) {
    const double radius = length(s.box.halfLengths);
    add("glutWireSphere", -1, {radius, 16, 16}, {1, 0, 0, 0.5}, placedAt(s.box.center), true);
  }
  if (layers[3]) {
    add("glutWireSphere", -1, {s.sphere.radius, 16, 16}, {0, 0, 1, 0.5}, placedAt(s.sphere.center),
        true);
  }
  return items;
}

// The box's quads: face by face the sides +a2, +a0, -a2, -a0, +a1, -a1, each traced through
// four distinct corners along the box's edges.
void expectBoxFaces(const std::vector<const Drawn*>& quadVertices, const OBB& box) {
  ASSERT_EQ(quadVertices.size(), 24u);
  const int sideAxis[6] = {2, 0, 2, 0, 1, 1};
  const int sideSign[6] = {1, 1, -1, -1, 1, -1};
  for (std::size_t face = 0; face < 6; ++face) {
    std::array<std::array<int, 3>, 4> signs{};
    for (std::size_t i = 0; i < 4; ++i) {
      const std::vector<double>& v = quadVertices[4 * face + i]->args;
      for (int k = 0; k < 3; ++k) {
        // Offset from the centre along axis k, in half lengths: a corner's are all +1 or -1.
        const double t =
            ((v[0] - box.center.x) * box.axes[k].x + (v[1] - box.center.y) * box.axes[k].y +
             (v[2] - box.center.z) * box.axes[k].z) /
            box.halfLengths[k];
        ASSERT_NEAR(std::fabs(t), 1.0, 1e-4) << "face " << face << " corner " << i;
        signs[i][static_cast<std::size_t>(k)] = t > 0 ? 1 : -1;
      }
      EXPECT_EQ(signs[i][static_cast<std::size_t>(sideAxis[face])], sideSign[face]) << face;
    }
    for (std::size_t i = 0; i < 4; ++i) {
      const auto& a = signs[i];
      const auto& b = signs[(i + 1) % 4];
      EXPECT_EQ((a[0] != b[0]) + (a[1] != b[1]) + (a[2] != b[2]), 1) << "face " << face;
      EXPECT_NE(a, signs[(i + 2) % 4]) << "face " << face;
    }
  }
}

// The frame draws exactly the expected items in order, each under its expected matrices.
void expectFrame(const TracedFrame& frame, const Scene& s, const bool layers[4],
                 const Matrix4& view) {
  EXPECT_EQ(frame.clearMask, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  const std::vector<Drawn> expected = expectedItems(s, layers, view);
  ASSERT_EQ(frame.drawn.size(), expected.size());
  std::vector<const Drawn*> quadVertices;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Drawn& got = frame.drawn[i];
    Drawn comparable = got;
    if (got.primitive == GL_QUADS) {
      quadVertices.push_back(&got);
      comparable.args.clear();
    }
    ASSERT_EQ(text(comparable), text(expected[i])) << "item " << i;
    ASSERT_LE(relativeDifference(got.modelview, expected[i].modelview), 1e-9)
        << "item " << i << " model-view";
    ASSERT_LE(relativeDifference(got.projection, expected[i].projection), 1e-9)
        << "item " << i << " projection";
  }
  if (layers[1]) {
    expectBoxFaces(quadVertices, s.box);
  }
}

TEST_F(Bvdemo, DrawsTheLibrariesSceneInItsColoursAndOrderUnderTheCamera) {
  for (const long long seed : {1'700'000'000LL, 0LL, 1234567LL}) {
    SCOPED_TRACE(seed);
    const Scene scene = sceneFor(seed);
    auto demo = start(seed);
    const GlTrace first = demo->glTrace();
    ASSERT_FALSE(first.frames.empty());
    const bool onlyPointsAndHull[4] = {true, false, false, false};
    expectFrame(first.frames.front(), scene, onlyPointsAndHull, camera(-300, 0, 0));

    // Every layer on, the scene nearer and turned about both axes.
    demo->pressKeys({"2", "3", "4", "Left", "Left", "Down", "z"});
    demo->settledFrame();
    const bool all[4] = {true, true, true, true};
    expectFrame(demo->glTrace().frames.back(), scene, all, camera(-200, 2, 4));
    demo->pressKey("Escape");
    demo->waitForExit();
    if (HasFailure()) {
      return;
    }
  }
}

TEST_F(Bvdemo, AsksForASwapIntervalOfOneThroughTheFirstSwapControlOffered) {
  const std::pair<const char*, const char*> cases[] = {
      {"GLX_EXT_swap_control_tear", ""},
      {"GLX_SGI_swap_control", "glXSwapIntervalSGI 1;"},
      {"GLX_MESA_swap_control", "glXSwapIntervalMESA 1;"},
      {"GLX_EXT_swap_control", "glXSwapIntervalEXT 1 1;"},
      {"GLX_SGI_swap_control GLX_MESA_swap_control", "glXSwapIntervalMESA 1;"},
      {"GLX_SGI_swap_control GLX_MESA_swap_control GLX_EXT_swap_control",
       "glXSwapIntervalEXT 1 1;"},
  };
  for (const auto& [offered, expected] : cases) {
    SCOPED_TRACE(offered);
    DemoLaunch launch;
    launch.environment = {{"BVDEMO_E2E_SWAP_CONTROL", offered}};
    auto demo = start(1'700'000'000, launch);
    std::string requests;  // before the first frame is shown
    for (const GlCall& call : demo->glTrace().calls) {
      if (call.name == "glutSwapBuffers") {
        break;
      }
      if (call.name.starts_with("glXSwapInterval")) {
        requests += call.name;
        for (const double a : call.args) {
          requests += ' ' + std::to_string(static_cast<int>(a));
        }
        requests += ';';
      }
    }
    EXPECT_EQ(requests, expected);
  }
}

}  // namespace
