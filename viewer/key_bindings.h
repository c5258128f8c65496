// KeyBindings: key presses in the window, mapped to the view commands through two ordered
// maps that share one command table.
//
// A successful binding appends one command and takes the next index, so the indices in the
// two maps are 0, 1, 2, ... in binding order and nextCommandIndex always equals the size of
// commands. A key code occurs at most once in its map; a second binding is refused and
// changes nothing. Escape (27) is in neither map: `keyboard` handles it first and ends the
// process with exit status 1.
#pragma once

#include <map>
#include <vector>

using Command = void (*)();

struct KeyBindings {
  std::map<unsigned int, int> keyMap;         // character byte value (0..255) -> command index
  std::map<unsigned int, int> specialKeyMap;  // GLUT special-key code -> command index
  std::vector<Command> commands;              // shared by both maps
  int nextCommandIndex = 0;
};

// The process's one set of bindings, read by the GLUT input callbacks (which take no user
// argument). Empty before main; filled once by bindKeys.
extern KeyBindings keyBindings;

inline constexpr unsigned char ESCAPE_KEY = 27;

// Installs the ten bindings, in this order: z, Z, 1, 2, 3, 4 in keyMap, then the up, down,
// left and right arrows in specialKeyMap. Needs no GLUT; the driver calls it first of all.
void bindKeys();
// Appends the comparison keys after those ten, so their indices stay 0 to 9: 5 minimum box,
// 6 axis-aligned box, 7 26-DOP, 8 Ritter's sphere, h the legend (indices 10 to 14).
void bindComparisonKeys();
// Appends m, the model's own layer, after those (index 15).
void bindModelKey();
// Appends the engines' layers after m: c capsule, y cylinder, e ellipsoid, k the next k-DOP,
// r the next reduced hull (indices 16 to 20).
void bindEngineKeys();
// True when the binding was made, false when the key was already bound.
bool bindKey(char key, Command command);
bool bindSpecialKey(int key, Command command);

// GLUT keyboard callback: Escape exits with status 1 (an orderly exit, handlers run);
// any other bound key runs its command; unbound keys are ignored. x, y are not used.
void keyboard(unsigned char key, int x, int y);
// GLUT special-key callback: runs the bound command, if any. x, y are not used.
void special(int key, int x, int y);
