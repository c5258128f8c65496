// Key tables and what each key does to the view state.
#include "viewer/key_bindings.h"

#include <GL/freeglut_std.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "viewer/view_state.h"

namespace {

class KeyBindingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    keyBindings = KeyBindings{};
    viewState = ViewState{};
    bindKeys();
  }
};

TEST_F(KeyBindingsTest, SecondBindingOfAKeyIsRefusedAndChangesNothing) {
  EXPECT_FALSE(bindKey('z', toggleBox));
  EXPECT_FALSE(bindSpecialKey(GLUT_KEY_LEFT, toggleBox));
  EXPECT_EQ(keyBindings.commands.size(), 10u);
  EXPECT_EQ(keyBindings.nextCommandIndex, 10);
  keyboard('z', 0, 0);
  special(GLUT_KEY_LEFT, 0, 0);
  EXPECT_EQ(viewState.cameraZ, -200.0f);
  EXPECT_EQ(viewState.rotationY, 2.0f);
  EXPECT_FALSE(viewState.showBox);

  // A new key takes the next index, in whichever map it goes.
  EXPECT_TRUE(bindSpecialKey(GLUT_KEY_F2, toggleBox));
  EXPECT_TRUE(bindKey('b', toggleBox));
  EXPECT_EQ(keyBindings.specialKeyMap.at(GLUT_KEY_F2), 10);
  EXPECT_EQ(keyBindings.keyMap.at('b'), 11);
  EXPECT_EQ(keyBindings.nextCommandIndex, 12);
  EXPECT_EQ(keyBindings.commands.size(), 12u);
}

TEST_F(KeyBindingsTest, EachKeyChangesExactlyItsOneValue) {
  struct Case {
    bool isSpecial;
    int key;
    std::function<void(ViewState&)> effect;
  };
  const Case cases[] = {
      {false, 'z', [](ViewState& v) { v.cameraZ += 100.0f; }},
      {false, 'Z', [](ViewState& v) { v.cameraZ -= 100.0f; }},
      {false, '1', [](ViewState& v) { v.showPointsAndHull = !v.showPointsAndHull; }},
      {false, '2', [](ViewState& v) { v.showBox = !v.showBox; }},
      {false, '3', [](ViewState& v) { v.showBoxSphere = !v.showBoxSphere; }},
      {false, '4', [](ViewState& v) { v.showMinimalSphere = !v.showMinimalSphere; }},
      {true, GLUT_KEY_UP, [](ViewState& v) { v.rotationX -= 2.0f; }},
      {true, GLUT_KEY_DOWN, [](ViewState& v) { v.rotationX += 2.0f; }},
      {true, GLUT_KEY_LEFT, [](ViewState& v) { v.rotationY += 2.0f; }},
      {true, GLUT_KEY_RIGHT, [](ViewState& v) { v.rotationY -= 2.0f; }},
  };
  for (const Case& c : cases) {
    for (int press = 0; press < 3; ++press) {
      ViewState expected = viewState;
      c.effect(expected);
      if (c.isSpecial) {
        special(c.key, 17, 23);
      } else {
        keyboard(static_cast<unsigned char>(c.key), 17, 23);
      }
      EXPECT_EQ(viewState, expected) << "key " << c.key << " press " << press;
    }
  }
}

TEST_F(KeyBindingsTest, ComparisonKeysFollowTheTenAndEachFlipsItsOneLayer) {
  bindComparisonKeys();
  EXPECT_EQ(keyBindings.nextCommandIndex, 15);
  EXPECT_EQ(keyBindings.keyMap.at('1'), 2);
  EXPECT_EQ(keyBindings.specialKeyMap.at(GLUT_KEY_RIGHT), 9);
  const std::pair<char, bool ViewState::*> cases[] = {
      {'5', &ViewState::showMinimumBox}, {'6', &ViewState::showAxisAlignedBox},
      {'7', &ViewState::showDop26},      {'8', &ViewState::showRitterSphere},
      {'h', &ViewState::showLegend},
  };
  int index = 10;
  for (const auto& [key, member] : cases) {
    EXPECT_EQ(keyBindings.keyMap.at(static_cast<unsigned char>(key)), index++) << key;
    EXPECT_FALSE(viewState.*member) << key << " is off at start";
    for (int press = 0; press < 2; ++press) {
      ViewState expected = viewState;
      expected.*member = !(expected.*member);
      keyboard(static_cast<unsigned char>(key), 0, 0);
      EXPECT_EQ(viewState, expected) << key;
    }
  }
}

TEST_F(KeyBindingsTest, ModelKeyFollowsTheComparisonKeysAndFlipsItsLayerThatStartsOn) {
  bindComparisonKeys();
  bindModelKey();
  EXPECT_EQ(keyBindings.keyMap.at('m'), 15);
  EXPECT_TRUE(viewState.showModel);
  for (const bool shown : {false, true}) {
    ViewState expected = viewState;
    expected.showModel = shown;
    keyboard('m', 0, 0);
    EXPECT_EQ(viewState, expected);
  }
}

TEST_F(KeyBindingsTest, UnboundKeysChangeNothing) {
  const ViewState before = viewState;
  for (int key = 0; key < 256; ++key) {
    if (key != ESCAPE_KEY && !keyBindings.keyMap.contains(static_cast<unsigned int>(key))) {
      keyboard(static_cast<unsigned char>(key), 0, 0);
    }
  }
  for (int key : {GLUT_KEY_F1, GLUT_KEY_F12, GLUT_KEY_PAGE_UP, GLUT_KEY_HOME, int{'z'}, 0, -1}) {
    special(key, 0, 0);
  }
  EXPECT_EQ(viewState, before);
}

TEST_F(KeyBindingsTest, ValuesAreNeitherWrappedNorClamped) {
  for (int i = 0; i < 5; ++i) {
    keyboard('z', 0, 0);
  }
  EXPECT_EQ(viewState.cameraZ, 200.0f);
  for (int i = 0; i < 45; ++i) {
    special(GLUT_KEY_LEFT, 0, 0);
  }
  EXPECT_EQ(viewState.rotationY, 90.0f);
  for (int i = 0; i < 180; ++i) {
    special(GLUT_KEY_DOWN, 0, 0);
  }
  EXPECT_EQ(viewState.rotationX, 360.0f);
}

TEST(KeyBindingsDeathTest, EscapeExitsWithStatusOneWithoutBeingBound) {
  keyBindings = KeyBindings{};
  bindKeys();
  EXPECT_FALSE(keyBindings.keyMap.contains(ESCAPE_KEY));
  EXPECT_EXIT(keyboard(ESCAPE_KEY, 0, 0), ::testing::ExitedWithCode(1), "");
}

TEST_F(KeyBindingsTest, EngineKeysFollowTheModelKeyAndEachChangesOnlyItsLayer) {
  bindComparisonKeys();
  bindModelKey();
  bindEngineKeys();
  EXPECT_FALSE(anyEngineLayerShown(viewState));
  int index = 16;
  for (const char key : {'c', 'y', 'e', 'k', 'r'})
    EXPECT_EQ(keyBindings.keyMap.at(static_cast<unsigned char>(key)), index++) << key;
  // Four presses bring every engine key back to where it started, one layer at a time.
  for (const char key : {'c', 'y', 'e', 'k', 'r'}) {
    const ViewState start = viewState;
    const int presses = key == 'k' || key == 'r' ? 4 : 2;
    for (int press = 1; press <= presses; ++press) {
      keyboard(static_cast<unsigned char>(key), 0, 0);
      EXPECT_EQ(anyEngineLayerShown(viewState), press < presses) << key << " press " << press;
    }
    EXPECT_EQ(viewState, start) << key;
  }
  keyboard('k', 0, 0);
  keyboard('r', 0, 0);
  keyboard('r', 0, 0);
  EXPECT_EQ(viewState.kdopLayer, 1);
  EXPECT_EQ(viewState.reducedHullLayer, 2);
}

}  // namespace
