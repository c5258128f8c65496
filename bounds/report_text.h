// Text of floats as a default-formatted std::ostream writes them, without the stream's cost per
// number: std::to_chars in general format with six significant digits prints the exact float
// value rounded as printf's "%.6g" does, which is what the stream's num_put uses (exponents with
// at least two digits, "-0", "inf", "nan", signs of infinities and not-a-numbers included).
#pragma once

#include <charconv>
#include <ios>
#include <locale>
#include <ostream>

// Writes the text of v at first (at most 16 characters: "-1.23457e-38" is the longest) and
// returns the end of the text.
inline char* formatFloat(char* first, char* last, float v) {
  return std::to_chars(first, last, v, std::chars_format::general, 6).ptr;
}

// True when out would write a float exactly as formatFloat does: flags, precision and width of
// a freshly made stream, and the classic locale.
inline bool formatsFloatsByDefault(const std::ostream& out) {
  return out.flags() == (std::ios_base::dec | std::ios_base::skipws) && out.precision() == 6 &&
         out.width() == 0 && out.getloc() == std::locale::classic();
}
