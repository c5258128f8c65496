// Extension-string lookup.
#include "viewer/extension_list.h"

#include <gtest/gtest.h>

namespace {

TEST(ExtensionList, MatchesWholeEntriesOnly) {
  const char* list = "GLX_ARB_multisample GLX_EXT_swap_control_tear GLX_MESA_swap_control ";
  EXPECT_TRUE(extensionListContains(list, "GLX_ARB_multisample"));
  EXPECT_TRUE(extensionListContains(list, "GLX_MESA_swap_control"));
  EXPECT_FALSE(extensionListContains(list, "GLX_EXT_swap_control"));
  EXPECT_FALSE(extensionListContains(list, "swap_control"));
  EXPECT_FALSE(extensionListContains(list, "GLX_MESA_swap_control_tear"));
  EXPECT_FALSE(extensionListContains(list, ""));
  EXPECT_FALSE(extensionListContains("", "GLX_SGI_swap_control"));
  EXPECT_TRUE(extensionListContains("GLX_SGI_swap_control", "GLX_SGI_swap_control"));
}

}  // namespace
