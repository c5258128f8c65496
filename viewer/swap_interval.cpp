// Swap interval through whichever GLX swap-control extension is present.
#include "viewer/swap_interval.h"

#include <GL/glx.h>

#include "viewer/extension_list.h"

namespace {

using SwapIntervalExt = void (*)(Display*, GLXDrawable, int);
using SwapIntervalMesa = int (*)(unsigned int);
using SwapIntervalSgi = int (*)(int);

template <typename Function>
Function lookUp(const char* name) {
  return reinterpret_cast<Function>(glXGetProcAddress(reinterpret_cast<const GLubyte*>(name)));
}

}  // namespace

bool requestSwapInterval(int interval) {
  Display* display = glXGetCurrentDisplay();
  const GLXDrawable drawable = glXGetCurrentDrawable();
  if (display == nullptr || drawable == 0) {
    return false;
  }
  const char* found = glXQueryExtensionsString(display, DefaultScreen(display));
  const std::string_view extensions = found != nullptr ? found : "";

  if (extensionListContains(extensions, "GLX_EXT_swap_control")) {
    if (auto set = lookUp<SwapIntervalExt>("glXSwapIntervalEXT")) {
      set(display, drawable, interval);
      return true;
    }
  }
  if (extensionListContains(extensions, "GLX_MESA_swap_control")) {
    if (auto set = lookUp<SwapIntervalMesa>("glXSwapIntervalMESA")) {
      return set(static_cast<unsigned int>(interval)) == 0;
    }
  }
  if (extensionListContains(extensions, "GLX_SGI_swap_control")) {
    if (auto set = lookUp<SwapIntervalSgi>("glXSwapIntervalSGI")) {
      return set(interval) == 0;
    }
  }
  return false;
}
