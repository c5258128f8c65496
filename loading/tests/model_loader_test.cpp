// Tests of loading models: the same box in every format comes back in file order from a file
// and from memory alike, node transforms compose from the root down in glTF and COLLADA, and
// broken, empty, non-finite or overclaiming files of each kind give their one error line.
#include "loading/model_loader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

#include "loading/tests/model_files.h"

namespace {

using testing::HasSubstr;
using testing::StartsWith;

std::vector<Triple> repeated(const std::vector<Vector3>& corners, const int (&quads)[6][4]) {
  std::vector<Triple> result;
  for (const auto& q : quads) {
    for (int k : q) {
      result.push_back({corners[k].x, corners[k].y, corners[k].z});
    }
  }
  return result;
}

TEST(ModelLoader, EveryFormatGivesTheBoxInFileOrderFromFileAndMemory) {
  const ScratchDirectory directory;
  const std::vector<Vector3> corners = boxCorners();
  const std::vector<Vector3> triangles = boxTriangleCorners();
  const std::vector<Vector3> same(5, Vector3{3.5f, -2, 1e6f});
  const struct {
    std::string name;
    std::string bytes;
    std::vector<Triple> expected;
  } cases[] = {
      // OBJ gives each face its own corners, in face order.
      {"box.obj", boxObj(), repeated(corners, BOX_QUADS)},
      {"box.ply", plyAscii(corners, 6), triples(corners)},
      {"BOX.PLY", plyBinary(corners, 12, false), triples(corners)},
      {"box_be.ply", plyBinary(corners, 0, true), triples(corners)},
      {"box.stl", stlAscii(triangles), triples(triangles)},
      {"box_binary.stl", stlBinary(triangles), triples(triangles)},
      {"box.off", off(corners, 6), triples(corners)},
      {"box.xyz", pointList(corners), triples(corners)},
      {"box.CSV", pointList(corners), triples(corners)},
      // Blanks and letters beyond ASCII in the path; every vertex equal.
      {"Modèle 3D ÄÖÜ/würfel mit Leerzeichen.ply", plyBinary(corners, 12, false), triples(corners)},
      {"same.ply", plyAscii(same, 0), triples(same)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = directory.write(c.name, c.bytes);
    const LoadResult fromFile = loadPoints(path);
    ASSERT_TRUE(fromFile.ok()) << fromFile.error;
    EXPECT_EQ(triples(fromFile.points), c.expected);
    const std::string extension = c.name.substr(c.name.find('.') + 1);
    const LoadResult fromMemory = loadPointsFromMemory(asBytes(c.bytes), extension, c.name);
    ASSERT_TRUE(fromMemory.ok()) << fromMemory.error;
    EXPECT_EQ(bits(fromMemory.points), bits(fromFile.points));
    const LoadResult inProcess =
        loadPointsFromMemory(asBytes(c.bytes), extension, c.name, Isolation::InProcess);
    EXPECT_EQ(bits(inProcess.points), bits(fromFile.points));
  }
}

// Whatever the format, each face comes back as the fan of its corners over the returned points:
// the corners of every triangle, looked up in points, are the faces' corners in file order.
// Segments, point lists and meshes without faces give none.
TEST(ModelLoader, FacesComeBackAsTrianglesOverTheReturnedPoints) {
  const std::vector<Vector3> corners = boxCorners();
  const std::vector<Vector3> boxTriangles = boxTriangleCorners();
  const auto consecutive = [&](std::size_t faces) {
    std::vector<Vector3> result;
    for (std::size_t f = 0; f < faces; ++f) {
      for (std::size_t k = 0; k < 3; ++k) {
        result.push_back(corners[(f + k) % corners.size()]);
      }
    }
    return result;
  };
  // A triangle instanced by two nodes with a segment between them (as in the test below).
  const std::string scene =
      gltf({{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 4}, {{{0, 0, 1}, {1, 2, 3}}, 1}},
           R"([{"translation":[10,0,0],"mesh":0,"children":[1]},)"
           R"({"mesh":1},{"scale":[2,2,2],"mesh":0}])",
           "[0,2]");
  const struct {
    std::string name;
    std::string bytes;
    std::vector<Vector3> triangleCorners;
  } cases[] = {
      {"box.obj", boxObj(), boxTriangles},
      {"box.ply", plyAscii(corners, 6), consecutive(6)},
      {"box_binary.ply", plyBinary(corners, 12, false), consecutive(12)},
      {"no_faces.ply", plyBinary(corners, 0, true), {}},
      {"box.stl", stlBinary(boxTriangles), boxTriangles},
      {"box.off", off(corners, 6), consecutive(6)},
      {"lines.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nl 1 2 3\n", {}},
      {"scene.gltf", scene, {{10, 0, 0}, {11, 0, 0}, {10, 1, 0}, {0, 0, 0}, {2, 0, 0}, {0, 2, 0}}},
      {"box.xyz", pointList(corners), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string extension = c.name.substr(c.name.find('.') + 1);
    for (const Isolation isolation : {Isolation::ChildProcess, Isolation::InProcess}) {
      const LoadResult result =
          loadPointsFromMemory(asBytes(c.bytes), extension, c.name, isolation);
      ASSERT_TRUE(result.ok()) << result.error;
      std::vector<Vector3> found;
      for (const Triangle& t : result.triangles) {
        for (const std::uint32_t index : t) {
          ASSERT_LT(index, result.points.size());
          found.push_back(result.points[index]);
        }
      }
      EXPECT_EQ(triples(found), triples(c.triangleCorners));
    }
  }
}

// Scene: root A (translate 10,0,0 then scale 2) holds a triangle and child B (a quarter turn
// about z, then up 5 in y) holding a segment; root C holds the triangle again, scaled and
// moved by 2^-7: within Assimp's 0.01 slack of the identity, yet it must be applied.
TEST(ModelLoader, GltfNodeTransformsComposeFromTheRootDownInDepthFirstOrder) {
  const std::vector<GltfMesh> meshes = {{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 4},
                                        {{{0, 0, 1}, {1, 2, 3}}, 1}};
  const std::string nodes =
      R"([{"translation":[10,0,0],"scale":[2,2,2],"mesh":0,"children":[1]},)"
      R"({"matrix":[0,1,0,0, -1,0,0,0, 0,0,1,0, 0,5,0,1],"mesh":1},)"
      R"({"translation":[0.0078125,0,0.0078125],"scale":[1.0078125,1,1],"mesh":0}])";
  const std::string scene = gltf(meshes, nodes, "[0,2]");
  constexpr float e = 0.0078125f;
  const std::vector<Triple> expected = {{10, 0, 0}, {12, 0, 0}, {10, 2, 0},        {10, 10, 2},
                                        {6, 12, 6}, {e, 0, e},  {1.015625f, 0, e}, {e, 1, e}};
  const ScratchDirectory directory;
  const LoadResult fromFile = loadPoints(directory.write("scene.gltf", scene));
  ASSERT_TRUE(fromFile.ok()) << fromFile.error;
  EXPECT_EQ(triples(fromFile.points), expected);
  const LoadResult fromMemory = loadPointsFromMemory(asBytes(scene), "gltf", "scene.gltf");
  ASSERT_TRUE(fromMemory.ok()) << fromMemory.error;
  EXPECT_EQ(triples(fromMemory.points), expected);
}

// The same scene in COLLADA, with transforms as <translate>, <scale> and <matrix> (row-major
// there), and Z_UP, which must not rotate the file's own coordinates.
TEST(ModelLoader, ColladaNodeTransformsComposeAndTheFileKeepsItsAxes) {
  auto geometry = [](const std::string& id, const std::string& xyz, int count,
                     const std::string& primitive) {
    return R"(<geometry id=")" + id + R"("><mesh><source id=")" + id + R"(-p"><float_array id=")" +
           id + R"(-a" count=")" + std::to_string(3 * count) + R"(">)" + xyz +
           R"(</float_array><technique_common><accessor source="#)" + id + R"(-a" count=")" +
           std::to_string(count) + R"(" stride="3"><param name="X" type="float"/>)" +
           R"(<param name="Y" type="float"/><param name="Z" type="float"/></accessor>)" +
           R"(</technique_common></source><vertices id=")" + id +
           R"(-v"><input semantic="POSITION" source="#)" + id + R"(-p"/></vertices>)" + primitive +
           "</mesh></geometry>";
  };
  const std::string file =
      R"(<?xml version="1.0" encoding="utf-8"?>)"
      R"(<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">)"
      R"(<asset><up_axis>Z_UP</up_axis></asset><library_geometries>)" +
      geometry("tri", "0 0 0 1 0 0 0 1 0", 3,
               R"(<triangles count="1"><input semantic="VERTEX" source="#tri-v" offset="0"/>)"
               R"(<p>0 1 2</p></triangles>)") +
      geometry("seg", "0 0 1 1 2 3", 2,
               R"(<lines count="1"><input semantic="VERTEX" source="#seg-v" offset="0"/>)"
               R"(<p>0 1</p></lines>)") +
      R"(</library_geometries><library_visual_scenes><visual_scene id="scene">)"
      R"(<node id="a"><translate>10 0 0</translate><scale>2 2 2</scale>)"
      R"(<instance_geometry url="#tri"/><node id="b">)"
      R"(<matrix>0 -1 0 0  1 0 0 5  0 0 1 0  0 0 0 1</matrix><instance_geometry url="#seg"/>)"
      R"(</node></node><node id="c"><translate>0 0 -3</translate>)"
      R"(<instance_geometry url="#tri"/></node></visual_scene></library_visual_scenes>)"
      R"(<scene><instance_visual_scene url="#scene"/></scene></COLLADA>)";
  const LoadResult result = loadPointsFromMemory(asBytes(file), "dae", "scene.dae");
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(triples(result.points), (std::vector<Triple>{{10, 0, 0},
                                                         {12, 0, 0},
                                                         {10, 2, 0},
                                                         {10, 10, 2},
                                                         {6, 12, 6},
                                                         {0, 0, -3},
                                                         {1, 0, -3},
                                                         {0, 1, -3}}));
}

// A chain of 1,000 nodes, each moving its child by (1, 0.5, -0.25) and the last holding one
// point: every level's transform is applied once.
TEST(ModelLoader, TransformsComposeThroughAThousandNestedNodes) {
  constexpr int DEPTH = 1000;
  std::string nodes = "[";
  for (int i = 0; i < DEPTH; ++i) {
    nodes += std::string(i == 0 ? "" : ",") + R"({"translation":[1,0.5,-0.25],)" +
             (i + 1 < DEPTH ? R"("children":[)" + std::to_string(i + 1) + "]}" : R"("mesh":0})");
  }
  nodes += "]";
  const std::string scene = gltf({{{{0.5f, 0, 0}}, 0}}, nodes, "[0]");
  const LoadResult result = loadPointsFromMemory(asBytes(scene), "gltf", "chain.gltf");
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(triples(result.points),
            (std::vector<Triple>{{DEPTH + 0.5f, DEPTH * 0.5f, -DEPTH * 0.25f}}));
}

TEST(ModelLoader, BrokenFilesOfEachKindGiveTheirErrorLine) {
  const ScratchDirectory directory;
  const std::vector<Vector3> corners = boxCorners();
  std::string shortPly = plyAscii(corners, 0);
  shortPly.erase(shortPly.find_last_of('\n', shortPly.size() - 2) + 1);
  std::string shortOff = off(corners, 6);
  shortOff.erase(shortOff.find_last_of('\n', shortOff.size() - 2) + 1);
  const std::string binaryPly = plyBinary(corners, 0, false);
  const std::string binaryStl = stlBinary(boxTriangleCorners());
  std::string cutStl = stlAscii(boxTriangleCorners());
  cutStl.erase(cutStl.size() - 60);
  std::vector<Vector3> withNan = corners;
  withNan[4].y = std::numeric_limits<float>::quiet_NaN();
  std::vector<Vector3> withInfinity = boxTriangleCorners();
  withInfinity[6].z = std::numeric_limits<float>::infinity();
  std::string billionStl(80, ' ');
  appendUint32(billionStl, 1'000'000'000);
  const std::string billion = "file ends early: its header declares 1000000000 ";
  const struct {
    std::string name;
    std::string bytes;
    std::string error;  // after "PATH: "; a leading '~' means "contains"
  } cases[] = {
      {"bad_index.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n", "OBJ: vertex index out of range"},
      {"bad_number.ply", plyHeader("ascii", 3, 0) + "0 0 0\n1 abc 0\n0 1 0\n", "~as a real number"},
      {"short.ply", shortPly,
       "file ends early: its header declares 8 \"vertex\" elements, one a line, but only 7 lines "
       "follow the header"},
      {"truncated.ply", binaryPly.substr(0, binaryPly.size() - 5),
       "file ends early: its header declares 8 \"vertex\" elements, which need at least 96 bytes "
       "after the header, but only 91 follow"},
      {"bad_vertex.stl",
       "solid t\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0\nvertex 0 1 0\n"
       "endloop\nendfacet\nendsolid t\n",
       "~as a real number"},
      {"cut.stl", cutStl, "~STL"},
      {"truncated.stl", binaryStl.substr(0, binaryStl.size() - 1),
       "file ends early: its header declares 12 triangles, which need at least 600 bytes after "
       "the header, but only 599 follow"},
      {"short.off", shortOff,
       "file ends early: its header declares 8 vertices and 6 faces, one a line, but only 13 "
       "lines follow the header"},
      {"no_scene.gltf", R"({"asset":{"version":"2.0"}})", "~GLTF"},
      {"broken.irr", "<irr_scene><node", "~IRR file"},
      {"Modèle 3D ÄÖÜ/nuage de points ñ.pts", "1 2 3\n4 5\n",
       "line 2: expected three coordinates, found 2"},
      {"mystery.qqq", std::string("\x7f\x01\x02 not a model at all, by any reader"),
       "a format nobody reads"},
      {"notes", "Shopping list:\n- milk\n- bread\n", "a format nobody reads"},
      {"long.stl", binaryStl + "xx",
       "not an STL file: it does not begin with \"solid\", and as binary STL its 12 triangles "
       "would take 684 bytes, not 686"},
      {"empty.stl", "solid nothing\nendsolid nothing\n", "no vertices"},
      {"empty.ply", plyHeader("ascii", 0, 0), "no vertices"},
      {"empty.off", "OFF\n0 0 0\n", "no vertices"},
      {"unused.gltf", gltf({{{{1, 2, 3}}, 0}}, R"([{"name":"no mesh"}])", "[0]"), "no vertices"},
      // Non-finite coordinates name their point, counted from 1.
      {"nan.ply", plyBinary(withNan, 12, false), "point 5 has a non-finite coordinate"},
      {"inf.stl", stlBinary(withInfinity), "point 7 has a non-finite coordinate"},
      {"inf.obj", "v 0 0 0\nv 1 0 0\nv 0 0 -inf\nf 1 2 3\n", "point 3 has a non-finite coordinate"},
      {"nan.xyz", "0 0 0\n# gap\n1 nan 2\n", "point 2 has a non-finite coordinate (line 3)"},
      // Finite in the file, beyond float range once the node's scale is applied.
      {"overflow.gltf",
       gltf({{{{1, 1, 1}, {1e30f, 0, 0}}, 0}}, R"([{"scale":[1e10,1,1],"mesh":0}])", "[0]"),
       "point 2 has a non-finite coordinate after its node transform"},
      // Headers claiming a billion vertices fail at once, before anything is allocated.
      {"billion.ply", plyHeader("ascii", 1'000'000'000, 0) + "0 0 0\n",
       billion + "\"vertex\" elements, one a line, but only 1 lines follow the header"},
      {"billion_binary.ply", plyHeader("binary_little_endian", 1'000'000'000, 0) + "0123456789ab",
       billion + "\"vertex\" elements, which need at least 12000000000 bytes after the header, "
                 "but only 12 follow"},
      {"billion.off", "OFF\n1000000000 1 0\n0 0 0\n3 0 0 0\n",
       billion + "vertices and 1 faces, one a line, but only 2 lines follow the header"},
      {"billion.stl", billionStl + std::string(50, '\0'),
       billion + "triangles, which need at least 50000000000 bytes after the header, but only 50 "
                 "follow"},
  };
  for (const auto& c : cases) {
    const std::string path = directory.write(c.name, c.bytes);
    const LoadResult result = loadPoints(path);
    EXPECT_TRUE(result.points.empty()) << c.name;
    EXPECT_EQ(result.error.find('\n'), std::string::npos) << result.error;
    if (c.error[0] == '~') {
      EXPECT_THAT(result.error, StartsWith(path + ": "));
      EXPECT_THAT(result.error, HasSubstr(c.error.substr(1)));
    } else {
      EXPECT_EQ(result.error, path + ": " + c.error);
    }
    const std::string extension =
        c.name.find('.') == std::string::npos ? "" : c.name.substr(c.name.find('.') + 1);
    // From memory the same reason, naming the given name wherever it names the file.
    std::string reason = result.error.substr(path.size());
    for (std::size_t at = reason.find(path); at != std::string::npos; at = reason.find(path)) {
      reason.replace(at, path.size(), c.name);
    }
    EXPECT_EQ(loadPointsFromMemory(asBytes(c.bytes), extension, c.name).error, c.name + reason);
  }
}

}  // namespace
