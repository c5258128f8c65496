// Lookup in an OpenGL extension string (names separated by blanks).
#pragma once

#include <string_view>

// True when name occurs as a whole entry of list: "GLX_EXT_swap_control" does not match
// "GLX_EXT_swap_control_tear".
bool extensionListContains(std::string_view list, std::string_view name);
