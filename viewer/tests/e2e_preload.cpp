// Preloaded into bvdemo by the end-to-end tests (LD_PRELOAD). It overrides:
// - time(): returns BVDEMO_E2E_TIME when it is set, so a run's clock seed is fixed without
//   freezing the clocks GLUT itself reads;
// - glXSwapBuffers(): forwards to the real one and counts swaps in the file named by
//   BVDEMO_E2E_SHARED, which the test maps too (layout: SwapRecord). Waiting for a few swaps
//   after a key press is how a test knows the frame shows the key's effect;
// - the GL, GLU and GLUT calls the scene is made of: each is forwarded and, when
//   BVDEMO_E2E_GL_LOG names a file, logged there as one line "name arg arg ..." (integers in
//   decimal, other values as exact hex floats). The GL calls GLUT makes inside its own
//   primitives and swap are not logged. The calls between two buffer swaps are written at the
//   second one, and only when they differ from those of the frame before, so a run that
//   redraws the same frame a thousand times a second logs it once;
// - swap control: when BVDEMO_E2E_SWAP_CONTROL is set, its value is appended to the GLX
//   extension string and glXGetProcAddress hands out stand-ins for the three swap-interval
//   calls, which log their arguments instead of talking to the server (Xvfb offers none).
#include <GL/freeglut_std.h>
#include <GL/glu.h>
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <string>

#include "viewer/tests/swap_record.h"

namespace {

SwapRecord* sharedRecord() {
  static SwapRecord* record = []() -> SwapRecord* {
    const char* path = std::getenv("BVDEMO_E2E_SHARED");
    if (path == nullptr) {
      return nullptr;
    }
    const int fd = open(path, O_RDWR);
    if (fd < 0) {
      return nullptr;
    }
    void* mapped = mmap(nullptr, sizeof(SwapRecord), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    return mapped == MAP_FAILED ? nullptr : static_cast<SwapRecord*>(mapped);
  }();
  return record;
}

// Bytes written to standard output so far, when it is a regular file.
long long stdoutSize() {
  struct stat status {};
  return fstat(STDOUT_FILENO, &status) == 0 ? static_cast<long long>(status.st_size) : -1;
}

template <typename Function>
Function following(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

int glLog() {
  static const int fd = [] {
    const char* path = std::getenv("BVDEMO_E2E_GL_LOG");
    return path == nullptr ? -1 : open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  }();
  return fd;
}

std::string pending;       // calls since the last buffer swap
std::string lastFrame;     // what was written at the last swap, or skipped as equal to it
int insidePrimitives = 0;  // > 0 while GLUT or GLU runs on our behalf

void note(const char* name, std::initializer_list<double> values) {
  if (insidePrimitives > 0 || glLog() < 0) {
    return;
  }
  pending += name;
  for (const double v : values) {
    char text[40];
    const bool integral = std::nearbyint(v) == v && std::fabs(v) < 1e15;
    std::snprintf(text, sizeof text, integral ? " %.0f" : " %a", v);
    pending += text;
  }
  pending += '\n';
}

// Runs a call of the real library with logging off, so its own GL calls stay out of the log.
template <typename Function, typename... Args>
auto unlogged(Function function, Args... args) {
  ++insidePrimitives;
  struct Leave {
    ~Leave() { --insidePrimitives; }
  } leave;
  return function(args...);
}

}  // namespace

// Defines the logged, forwarding version of a void GL/GLU/GLUT function.
#define LOGGED(name, params, args, ...)                        \
  extern "C" void name params {                                \
    static const auto real = following<void(*) params>(#name); \
    note(#name, {__VA_ARGS__});                                \
    unlogged(real COMMA_ARGS args);                            \
  }
#define COMMA_ARGS(...) __VA_OPT__(, ) __VA_ARGS__

LOGGED(glNewList, (GLuint list, GLenum mode), (list, mode), double(list), double(mode))
LOGGED(glEndList, (), ())
LOGGED(glCallList, (GLuint list), (list), double(list))
LOGGED(glColor4f, (GLfloat r, GLfloat g, GLfloat b, GLfloat a), (r, g, b, a), r, g, b, a)
LOGGED(glVertex3fv, (const GLfloat* v), (v), v[0], v[1], v[2])
LOGGED(glBegin, (GLenum mode), (mode), double(mode))
LOGGED(glEnd, (), ())
LOGGED(glEnable, (GLenum cap), (cap), double(cap))
LOGGED(glDisable, (GLenum cap), (cap), double(cap))
LOGGED(glBlendFunc, (GLenum s, GLenum d), (s, d), double(s), double(d))
LOGGED(glDepthFunc, (GLenum f), (f), double(f))
LOGGED(glClear, (GLbitfield mask), (mask), double(mask))
LOGGED(glMatrixMode, (GLenum mode), (mode), double(mode))
LOGGED(glLoadIdentity, (), ())
LOGGED(glPushMatrix, (), ())
LOGGED(glPopMatrix, (), ())
LOGGED(glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), x, y, z)
LOGGED(glRotatef, (GLfloat a, GLfloat x, GLfloat y, GLfloat z), (a, x, y, z), a, x, y, z)
LOGGED(glViewport, (GLint x, GLint y, GLsizei w, GLsizei h), (x, y, w, h), double(x), double(y),
       double(w), double(h))
LOGGED(gluPerspective, (GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar),
       (fovy, aspect, zNear, zFar), fovy, aspect, zNear, zFar)
LOGGED(glutSolidSphere, (double r, GLint slices, GLint stacks), (r, slices, stacks), r,
       double(slices), double(stacks))
LOGGED(glutWireSphere, (double r, GLint slices, GLint stacks), (r, slices, stacks), r,
       double(slices), double(stacks))

extern "C" GLuint glGenLists(GLsizei range) {
  static const auto real = following<GLuint (*)(GLsizei)>("glGenLists");
  const GLuint first = unlogged(real, range);
  note("glGenLists", {double(range), double(first)});
  return first;
}

extern "C" void glutSwapBuffers() {
  static const auto real = following<void (*)()>("glutSwapBuffers");
  note("glutSwapBuffers", {});
  if (glLog() >= 0 && insidePrimitives == 0) {
    if (pending != lastFrame) {
      // One write per frame: a reader never sees a frame without its end unless it reads
      // while the write is under way, and then it takes only the lines up to the last swap.
      if (write(glLog(), pending.data(), pending.size()) < 0) {
        std::perror("bvdemo e2e preload: GL log");
      }
      lastFrame.swap(pending);
    }
    pending.clear();
  }
  unlogged(real);
}

extern "C" time_t time(time_t* result) {
  time_t now;
  if (const char* fixed = std::getenv("BVDEMO_E2E_TIME")) {
    now = static_cast<time_t>(std::strtoll(fixed, nullptr, 10));
  } else {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    now = ts.tv_sec;
  }
  if (result != nullptr) {
    *result = now;
  }
  return now;
}

extern "C" void glXSwapBuffers(Display* display, GLXDrawable drawable) {
  static const auto real = following<void (*)(Display*, GLXDrawable)>("glXSwapBuffers");
  SwapRecord* record = sharedRecord();
  if (record != nullptr && __atomic_load_n(&record->swaps, __ATOMIC_ACQUIRE) == 0) {
    record->stdoutBytesAtFirstSwap = stdoutSize();
  }
  real(display, drawable);
  if (record != nullptr) {
    __atomic_add_fetch(&record->swaps, 1, __ATOMIC_RELEASE);
  }
}

namespace {

const char* offeredSwapControl() {
  return std::getenv("BVDEMO_E2E_SWAP_CONTROL");
}

// The stand-ins log the interval; the EXT one also whether it was given the current drawable.
void swapIntervalExt(Display*, GLXDrawable drawable, int interval) {
  note("glXSwapIntervalEXT", {double(interval), drawable == glXGetCurrentDrawable() ? 1.0 : 0.0});
}
int swapIntervalMesa(unsigned int interval) {
  note("glXSwapIntervalMESA", {double(interval)});
  return 0;
}
int swapIntervalSgi(int interval) {
  note("glXSwapIntervalSGI", {double(interval)});
  return 0;
}

__GLXextFuncPtr standIn(const GLubyte* name) {
  const char* n = reinterpret_cast<const char*>(name);
  if (offeredSwapControl() == nullptr || n == nullptr) {
    return nullptr;
  }
  if (std::strcmp(n, "glXSwapIntervalEXT") == 0) {
    return reinterpret_cast<__GLXextFuncPtr>(swapIntervalExt);
  }
  if (std::strcmp(n, "glXSwapIntervalMESA") == 0) {
    return reinterpret_cast<__GLXextFuncPtr>(swapIntervalMesa);
  }
  if (std::strcmp(n, "glXSwapIntervalSGI") == 0) {
    return reinterpret_cast<__GLXextFuncPtr>(swapIntervalSgi);
  }
  return nullptr;
}

}  // namespace

extern "C" const char* glXQueryExtensionsString(Display* display, int screen) {
  static const auto real = following<const char* (*)(Display*, int)>("glXQueryExtensionsString");
  const char* extensions = real(display, screen);
  if (offeredSwapControl() == nullptr) {
    return extensions;
  }
  static std::string extended;
  extended = std::string(extensions != nullptr ? extensions : "") + " " + offeredSwapControl();
  return extended.c_str();
}

extern "C" __GLXextFuncPtr glXGetProcAddressARB(const GLubyte* name) {
  static const auto real = following<__GLXextFuncPtr (*)(const GLubyte*)>("glXGetProcAddressARB");
  const __GLXextFuncPtr standin = standIn(name);
  return standin != nullptr ? standin : real(name);
}

extern "C" __GLXextFuncPtr glXGetProcAddress(const GLubyte* name) {
  static const auto real = following<__GLXextFuncPtr (*)(const GLubyte*)>("glXGetProcAddress");
  const __GLXextFuncPtr standin = standIn(name);
  return standin != nullptr ? standin : real(name);
}
