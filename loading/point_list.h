// Reader of plain text point lists (.txt, .xyz, .pts, .csv, .asc): the form scanners and
// scripts write, which Assimp does not read.
#pragma once

#include <istream>
#include <string>

#include "loading/model_loader.h"

// Reads one point per line: x, y and z as the first three fields, fields separated by blanks,
// tabs or commas (a run of them, such as ", ", counts as one). Further fields (normals, colours,
// intensities) are ignored unread. '#' starts a comment to the end of the line; blank lines
// and a UTF-8 byte order mark are skipped; Windows line ends are fine. The first line that is
// not blank or comment may be a header instead of a point: a single integer (the point count
// that .pts files begin with) or column names, each beginning with a letter ("x,y,z").
// Numbers are read in the C locale whatever the program's locale (decimal point '.', optional
// sign, exponent, "inf" and "nan" spelled out), each rounded once to the nearest float; values
// too small for a float become zero or subnormal. A line with a bare comma between digits and
// blanks alone between other fields ("1,5 2,5 3,5") is refused as written with decimal commas
// rather than read as 1, 5, 2; semicolons separate nothing.
//
// Errors, one line "NAME: reason": "line 7: expected three coordinates, found 2",
// "line 7: 'abc' is not a number", "line 7: '1,5 2,5 3,5' mixes commas and blanks between
// numbers: ...", "line 7 is longer than 65536 bytes",
// "point 5 has a non-finite coordinate (line 7)", "point 5 has a coordinate outside the float
// range (line 7)", "no points", more than MAX_LOADED_POINTS points, and a read failure of the
// stream. Points are counted from 1.
LoadResult readPointList(std::istream& in, const std::string& name);
