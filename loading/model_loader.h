// Loading of models and point lists as point sets: the only way files enter the system.
//
// Meshes go through Assimp (binary PLY and STL, glTF, COLLADA and every other format the
// installed Assimp reads), except the text meshes OBJ, OFF, ASCII PLY and ASCII STL, which
// go through our own correctly rounded readers (text_meshes.h) with the same results
// otherwise; plain text point lists, which Assimp does not read, go through readPointList
// (point_list.h). Nothing here draws, so the library needs no GL.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "geometry/vector3.h"

// One face of a model: three indices into LoadResult::points.
using Triangle = std::array<std::uint32_t, 3>;

struct LoadResult {
  std::vector<Vector3> points;  // every vertex of every mesh, node transforms applied, file order
  std::string error;            // empty on success; else ONE line "FILE: reason" (no newline)
  std::vector<Triangle> triangles = {};  // the meshes' faces over points (see loadPoints)
  bool ok() const { return error.empty(); }

  // The result for a file that could not be read: "FILE: reason".
  static LoadResult failure(const std::string& file, const std::string& reason) {
    return {{}, file + ": " + reason};
  }
};

// The most points one file may yield (1.2 GB of coordinates). A scene that would give more, for
// instance a small mesh instanced by millions of nodes, is refused before anything is allocated.
inline constexpr std::size_t MAX_LOADED_POINTS = std::size_t{100} * 1000 * 1000;
// The most triangles one file may yield, refused the same way.
inline constexpr std::size_t MAX_LOADED_TRIANGLES = std::size_t{100} * 1000 * 1000;

// Where Assimp runs. ChildProcess (the default) runs it in a forked child under time and
// memory limits (isolated_import.h), so that no file, however crafted, can crash, hang or
// exhaust the caller: a crash or limit becomes the error line. InProcess is for fuzzing, where
// the fuzzer must see the reader's coverage and faults. Our own checks and the point-list
// reader always run in the calling process.
enum class Isolation { ChildProcess, InProcess };

// Reads a model or point list from a path.
//
// Which reader: a file whose extension (any case) is one of POINT_LIST_EXTENSIONS is a plain point
// list; a text mesh (textMeshFormatOf in text_meshes.h) goes to our reader of its format, in the
// calling process; any other file goes to Assimp, which recognises formats by content as well
// as by name. Every coordinate of a text file is rounded once to the nearest float.
//
// What comes back for a mesh: the vertices of every mesh that a node of the scene refers to, in a
// depth-first walk of the node tree (children in file order, a node's meshes before its
// children), each transformed by the product of the transforms from the root down to its node.
// A mesh referred to by two nodes contributes twice. Assimp's own import is used without any
// post-processing step, so no vertex is merged, dropped or moved; importers that give each face
// its own corners (OBJ, STL, COLLADA) yield those duplicates, and vertices that no face or
// point refers to may be missing (Assimp's choice per format: OBJ drops them, PLY keeps them).
// Lines and points count like triangles: a point cloud gives its points. Coordinates are the
// file's own: COLLADA's up axis is not applied, though Assimp 5.2 does scale COLLADA files
// that declare a <unit> to metres (it offers no switch for that).
//
// And its faces: for each mesh in the same walk, each face of three or more corners as the fan
// (c0, c1, c2), (c0, c2, c3), ... in the face's own winding, its indices pointing at that
// instance's transformed points, so every index is < points.size(). Faces of one or two corners
// (points, lines) give none; so does every point list. A face's winding is the file's: it may
// face inward, and a face may be degenerate (repeated or collinear corners).
//
// Errors, each one line "FILE: reason" where FILE is the path as given:
//   no such file, is a directory, not a regular file (devices, pipes), cannot be opened
//   (with the system's reason), empty file, a format nobody reads, no vertices, header
//   counts larger than the file can hold ("file ends early: ..."; PLY, OFF and binary STL
//   files are checked against their headers before Assimp sees them (declared_counts.h), so a
//   header claiming 10^9 vertices fails at once and a truncated PLY or OFF file is not read as
//   if complete), any Assimp error condensed to one line, more than MAX_LOADED_POINTS points or
//   MAX_LOADED_TRIANGLES triangles, a face naming a vertex its mesh lacks, the
//   reader crashing or exceeding its limits (with ChildProcess), and "point 17 has a non-finite
//   coordinate" (points counted from 1 in the order above; also when the node transform makes a
//   finite vertex overflow).
LoadResult loadPoints(const std::string& path, Isolation isolation = Isolation::ChildProcess);

// The same from bytes in memory (for fuzzing and tests). formatHint is an extension such as
// "ply" or "txt" (any case, a leading dot allowed): it picks the point-list reader as the path's
// extension does and helps Assimp choose; Assimp still looks at the content. name stands
// for FILE in error lines. Formats that refer to other files (glTF with a separate .bin, OBJ
// with materials) cannot reach them from memory.
LoadResult loadPointsFromMemory(std::span<const unsigned char> bytes, const std::string& formatHint,
                                const std::string& name,
                                Isolation isolation = Isolation::ChildProcess);

// Extensions (lower case, without the dot) read as plain point lists.
inline constexpr const char* POINT_LIST_EXTENSIONS[] = {"txt", "xyz", "pts", "csv", "asc"};
