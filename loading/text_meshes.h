// Our own readers of the text mesh formats OBJ, OFF, ASCII PLY and ASCII STL. Assimp's number
// parser is not correctly rounded (a text OBJ scaled by 2^-10 came back with 186 of 2,117
// vertices one float step off), so these read every coordinate with std::from_chars, rounded
// once to the nearest float: a text mesh and the same numbers as a point list give the same
// points, bit for bit. Binary formats and everything else still go through Assimp.
//
// Contract (stated once, here; loadPoints routes files here and checks declared counts first):
// - What comes back is what Assimp gave for these formats, with correct rounding: OBJ gives
//   each face, line and point its own corners in file order (vertices no element refers to are
//   left out; a file of vertices alone gives them all), a face of n corners the fan of n - 2
//   triangles; OFF and PLY give every vertex in file order and their faces fanned over them;
//   STL gives each facet's three corners in order as one triangle.
// - Numbers: C locale whatever the program's, optional sign, exponent, "inf" and "nan"; a
//   value below the float range becomes zero or subnormal, one above it is an error. OBJ's
//   four-number vertices are divided by w in double, OFF's 4OFF vertices likewise.
// - Errors are one line "NAME: reason": "line 7: cannot read 'abc' as a real number",
//   "OBJ: vertex index out of range", "a face refers to vertex 9 of a mesh of 8", "line 7 is
//   longer than 1048576 bytes", "ASCII STL: the file ends inside a facet", "no vertices",
//   "point 5 has a non-finite coordinate", more than MAX_LOADED_POINTS points or
//   MAX_LOADED_TRIANGLES triangles, and the stream's read failure. Memory grows with what is
//   read, never with what a header claims.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

#include "loading/model_loader.h"

enum class TextMeshFormat { None, Obj, Off, AsciiPly, AsciiStl };

// Which of our readers takes a file, from its extension (lower case, no dot), its first bytes
// and its size: .obj and .off files; any file beginning "ply" whose format line says ascii;
// .stl files beginning "solid" unless their size is exactly that of the binary triangles
// their header would count (Assimp reads those as binary, as many writers put "solid" there).
TextMeshFormat textMeshFormatOf(std::string_view extension, std::string_view head,
                                std::uintmax_t fileSize);

LoadResult readTextMesh(TextMeshFormat format, std::istream& in, const std::string& name);
