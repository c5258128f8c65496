// Tests of loading models: the same box in every format comes back in file order from a file
// and from memory alike, node transforms compose from the root down in glTF and COLLADA, and
// broken or empty files of each kind give their one error line.
#include "loading/model_loader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "loading/tests/model_files.h"
#include "loading/tests/scratch_files.h"

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
  const struct {
    std::string name;
    std::string bytes;
    std::vector<Triple> expected;
  } cases[] = {
      // OBJ gives each face its own corners, in face order.
      {"box.obj", boxObj(), repeated(corners, BOX_QUADS)},
      {"box.ply", plyAscii(corners, true), triples(corners)},
      {"BOX.PLY", plyBinary(corners, true, false), triples(corners)},
      {"box_be.ply", plyBinary(corners, false, true), triples(corners)},
      {"box.stl", stlAscii(triangles), triples(triangles)},
      {"box_binary.stl", stlBinary(triangles), triples(triangles)},
      {"box.off", boxOff(), triples(corners)},
      {"box.xyz", pointList(corners), triples(corners)},
      {"box.CSV", pointList(corners), triples(corners)},
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

// Scene: root A (translate 10,0,0 then scale 2) holds a triangle and child B (a quarter turn
// about z, then up 5 in y) holding a segment; root C (down 3 in z) holds the triangle again.
TEST(ModelLoader, GltfNodeTransformsComposeFromTheRootDownInDepthFirstOrder) {
  const std::vector<GltfMesh> meshes = {{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 4},
                                        {{{0, 0, 1}, {1, 2, 3}}, 1}};
  const std::string nodes = R"([{"translation":[10,0,0],"scale":[2,2,2],"mesh":0,"children":[1]},)"
                            R"({"matrix":[0,1,0,0, -1,0,0,0, 0,0,1,0, 0,5,0,1],"mesh":1},)"
                            R"({"translation":[0,0,-3],"mesh":0}])";
  const std::string scene = gltf(meshes, nodes, "[0,2]");
  const std::vector<Triple> expected = {{10, 0, 0}, {12, 0, 0}, {10, 2, 0}, {10, 10, 2},
                                        {6, 12, 6}, {0, 0, -3}, {1, 0, -3}, {0, 1, -3}};
  const ScratchDirectory directory;
  const LoadResult fromFile = loadPoints(directory.write("scene.gltf", scene));
  ASSERT_TRUE(fromFile.ok()) << fromFile.error;
  EXPECT_EQ(triples(fromFile.points), expected);
  const LoadResult fromMemory = loadPointsFromMemory(asBytes(scene), "gltf", "scene.gltf");
  ASSERT_TRUE(fromMemory.ok()) << fromMemory.error;
  EXPECT_EQ(triples(fromMemory.points), expected);
}

// The same scene shape in COLLADA, with transforms as <translate>, <scale> and <matrix>
// (row-major there), and Z_UP, which must not rotate the file's own coordinates.
TEST(ModelLoader, ColladaNodeTransformsComposeAndTheFileKeepsItsAxes) {
  const std::string geometry = R"(
    <geometry id="%ID%"><mesh>
      <source id="%ID%-p"><float_array id="%ID%-a" count="%N%">%XYZ%</float_array>
        <technique_common><accessor source="#%ID%-a" count="%V%" stride="3">
          <param name="X" type="float"/><param name="Y" type="float"/><param name="Z" type="float"/>
        </accessor></technique_common></source>
      <vertices id="%ID%-v"><input semantic="POSITION" source="#%ID%-p"/></vertices>
      <%KIND% count="1"><input semantic="VERTEX" source="#%ID%-v" offset="0"/><p>%P%</p></%KIND%>
    </mesh></geometry>)";
  auto fill = [&](std::string id, std::string xyz, int vertices, std::string kind, std::string p) {
    std::string g = geometry;
    const std::pair<std::string, std::string> fields[] = {{"%ID%", id},
                                                          {"%XYZ%", xyz},
                                                          {"%N%", std::to_string(3 * vertices)},
                                                          {"%V%", std::to_string(vertices)},
                                                          {"%KIND%", kind},
                                                          {"%P%", p}};
    for (const auto& [key, value] : fields) {
      for (std::size_t at = g.find(key); at != std::string::npos; at = g.find(key)) {
        g.replace(at, key.size(), value);
      }
    }
    return g;
  };
  const std::string file =
      R"(<?xml version="1.0" encoding="utf-8"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
  <asset><up_axis>Z_UP</up_axis></asset>
  <library_geometries>)" +
      fill("tri", "0 0 0 1 0 0 0 1 0", 3, "triangles", "0 1 2") +
      fill("seg", "0 0 1 1 2 3", 2, "lines", "0 1") + R"(
  </library_geometries>
  <library_visual_scenes><visual_scene id="scene">
    <node id="a"><translate>10 0 0</translate><scale>2 2 2</scale>
      <instance_geometry url="#tri"/>
      <node id="b"><matrix>0 -1 0 0  1 0 0 5  0 0 1 0  0 0 0 1</matrix>
        <instance_geometry url="#seg"/>
      </node>
    </node>
    <node id="c"><translate>0 0 -3</translate><instance_geometry url="#tri"/></node>
  </visual_scene></library_visual_scenes>
  <scene><instance_visual_scene url="#scene"/></scene>
</COLLADA>
)";
  const ScratchDirectory directory;
  const LoadResult result = loadPoints(directory.write("scene.dae", file));
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
  std::string shortPly = plyAscii(corners, false);
  shortPly.erase(shortPly.find_last_of('\n', shortPly.size() - 2) + 1);
  std::string shortOff = boxOff();
  shortOff.erase(shortOff.find_last_of('\n', shortOff.size() - 2) + 1);
  const std::string binaryPly = plyBinary(corners, false, false);
  const std::string binaryStl = stlBinary(boxTriangleCorners());
  std::string cutStl = stlAscii(boxTriangleCorners());
  cutStl.erase(cutStl.size() - 60);
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
      {"cloud.pts", "1 2 3\n4 5\n", "line 2: expected three coordinates, found 2"},
      {"mystery.qqq", std::string("\x7f\x01\x02 not a model at all, by any reader"),
       "a format nobody reads"},
      {"notes", "Shopping list:\n- milk\n- bread\n", "a format nobody reads"},
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
    const LoadResult fromMemory = loadPointsFromMemory(asBytes(c.bytes), extension, c.name);
    EXPECT_THAT(fromMemory.error, StartsWith(c.name + ": ")) << fromMemory.error;
  }
}

TEST(ModelLoader, ScenesWithoutVerticesSaySo) {
  const ScratchDirectory directory;
  const std::string empty[][2] = {
      {"empty.stl", "solid nothing\nendsolid nothing\n"},
      {"empty.ply", plyHeader("ascii", 0, 0)},
      {"empty.off", "OFF\n0 0 0\n"},
      {"lights.dae",
       R"(<?xml version="1.0"?><COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" )"
       R"(version="1.4.1"><library_visual_scenes><visual_scene id="s"><node id="n"/>)"
       R"(</visual_scene></library_visual_scenes><scene><instance_visual_scene url="#s"/>)"
       R"(</scene></COLLADA>)"},
      {"unused.gltf", gltf({{{{1, 2, 3}}, 0}}, R"([{"name":"no mesh"}])", "[0]")},
  };
  for (const auto& [name, bytes] : empty) {
    const std::string path = directory.write(name, bytes);
    EXPECT_EQ(loadPoints(path).error, path + ": no vertices");
  }
}

}  // namespace
