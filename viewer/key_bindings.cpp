// Key tables, binding and the two GLUT input callbacks.
#include "viewer/key_bindings.h"

#include <GL/freeglut_std.h>  // GLUT_KEY_* codes only; nothing here calls GLUT

#include <cstdlib>

#include "viewer/view_state.h"

KeyBindings keyBindings;

namespace {

bool bindInto(std::map<unsigned int, int>& map, unsigned int keyCode, Command command) {
  if (map.contains(keyCode)) {
    return false;
  }
  map.emplace(keyCode, keyBindings.nextCommandIndex);
  ++keyBindings.nextCommandIndex;
  keyBindings.commands.push_back(command);
  return true;
}

void runBound(const std::map<unsigned int, int>& map, unsigned int keyCode) {
  const auto found = map.find(keyCode);
  if (found != map.end()) {
    keyBindings.commands[static_cast<std::size_t>(found->second)]();
  }
}

}  // namespace

bool bindKey(char key, Command command) {
  return bindInto(keyBindings.keyMap, static_cast<unsigned char>(key), command);
}

bool bindSpecialKey(int key, Command command) {
  return bindInto(keyBindings.specialKeyMap, static_cast<unsigned int>(key), command);
}

void bindKeys() {
  bindKey('z', moveSceneCloser);
  bindKey('Z', moveSceneAway);
  bindKey('1', togglePointsAndHull);
  bindKey('2', toggleBox);
  bindKey('3', toggleBoxSphere);
  bindKey('4', toggleMinimalSphere);
  bindSpecialKey(GLUT_KEY_UP, decreaseRotationX);
  bindSpecialKey(GLUT_KEY_DOWN, increaseRotationX);
  bindSpecialKey(GLUT_KEY_LEFT, increaseRotationY);
  bindSpecialKey(GLUT_KEY_RIGHT, decreaseRotationY);
}

void bindComparisonKeys() {
  bindKey('5', toggleMinimumBox);
  bindKey('6', toggleAxisAlignedBox);
  bindKey('7', toggleDop26);
  bindKey('8', toggleRitterSphere);
  bindKey('h', toggleLegend);
}

void bindModelKey() {
  bindKey('m', toggleModel);
}

void bindEngineKeys() {
  bindKey('c', toggleCapsule);
  bindKey('y', toggleCylinder);
  bindKey('e', toggleEllipsoid);
  bindKey('k', nextKdop);
  bindKey('r', nextReducedHull);
}

void keyboard(unsigned char key, int /*x*/, int /*y*/) {
  if (key == ESCAPE_KEY) {
    std::exit(1);
  }
  runBound(keyBindings.keyMap, key);
}

void special(int key, int /*x*/, int /*y*/) {
  runBound(keyBindings.specialKeyMap, static_cast<unsigned int>(key));
}
