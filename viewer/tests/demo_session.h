// DemoSession: one run of the real bvdemo program in a VirtualDisplay, driven and watched the
// way a user would: real key presses (xdotool, through XTEST), real pixels read back from the
// window (XGetImage), and the window closed the way a window manager closes it.
//
// The run's arguments are the test's choice. The run's clock seed is fixed by a preloaded library
// that also counts buffer swaps; every wait is for swaps, not for time, so a slow machine only
// makes the tests slower. Waits give up after a minute (ten under a launcher) and throw
// std::runtime_error with bvdemo's standard error attached.
#pragma once

// Before Xlib, whose Success macro would break Eigen's headers.
#include "viewer/tests/gl_trace.h"

#include <X11/Xlib.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "viewer/tests/child_process.h"
#include "viewer/tests/swap_record.h"
#include "viewer/tests/virtual_display.h"

// The window's content, 0xRRGGBB per pixel, row by row from the top.
struct Frame {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  std::uint32_t at(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
  bool operator==(const Frame&) const = default;
};

inline constexpr std::uint32_t WHITE = 0xffffff;
inline int red(std::uint32_t pixel) {
  return static_cast<int>(pixel >> 16 & 0xff);
}
inline int green(std::uint32_t pixel) {
  return static_cast<int>(pixel >> 8 & 0xff);
}
inline int blue(std::uint32_t pixel) {
  return static_cast<int>(pixel & 0xff);
}

// How bvdemo learns which X display to use.
enum class DisplayBy { Environment, Option };

// How a run is started, beyond its display and clock.
struct DemoLaunch {
  std::vector<std::string> arguments;
  // Option passes "-display NAME" after the arguments and leaves DISPLAY unset.
  DisplayBy displayBy = DisplayBy::Environment;
  bool standardOutputClosed = false;
  // A launcher (such as valgrind and its options) runs bvdemo as its last argument; every wait
  // then allows ten minutes instead of one.
  std::vector<std::string> launcher;
  // Variables added to bvdemo's environment.
  std::map<std::string, std::string> environment;
};

class DemoSession {
 public:
  // Starts bvdemo on the display with time() fixed at clockSeconds; its standard output and
  // error go to files in workDir, unless the launch closes its standard output, and so does the
  // log of its GL calls.
  DemoSession(const VirtualDisplay& display, const std::string& workDir, long long clockSeconds,
              const DemoLaunch& launch = DemoLaunch());
  DemoSession(const DemoSession&) = delete;
  DemoSession& operator=(const DemoSession&) = delete;

  // Waits until the "GLUT app" window is viewable and has shown its first frame, then gives
  // it the keyboard focus.
  void waitForFirstFrame();
  // Waits only until the window is viewable; its first frame may still be to come.
  void waitForWindow();
  std::uint64_t swaps() const;
  // Waits until count more buffer swaps have happened.
  void waitForSwaps(std::uint64_t count);
  // Bytes on standard output at the moment the first frame was swapped to the window.
  long long stdoutBytesAtFirstSwap() const;

  // Presses and releases each key in turn (xdotool key names such as "z", "Z", "Left",
  // "F1", "Escape"), then lets a few frames pass so the window shows their effect.
  void pressKeys(const std::vector<std::string>& keys);
  // The same with no pause between the keys: as fast as XTEST takes them.
  void pressKeysInBurst(const std::vector<std::string>& keys);
  void pressKey(const std::string& key) { pressKeys({key}); }
  // Presses the left button at (fromX, fromY) in the window, moves the pointer to (toX, toY)
  // in one motion and releases it there; then lets a few frames pass.
  void dragMouse(int fromX, int fromY, int toX, int toY);
  // Clicks an X pointer button over the window (4: the wheel turned towards the screen,
  // 5: back); then lets a few frames pass.
  void clickMouseButton(int button);
  // The current frame, once two captures a few swaps apart agree.
  Frame settledFrame();

  // Asks the X server to give the window this size (as a window manager would), then lets a
  // few frames pass.
  void resizeWindow(int width, int height);
  // Sends WM_DELETE_WINDOW, as a window manager does when the user closes the window.
  void closeWindow();
  // bvdemo's exit status (128 + signal when a signal ended it).
  int waitForExit();
  std::string standardOutput() const;
  std::string standardError() const;
  // The GL calls logged so far (complete frames only), replayed.
  GlTrace glTrace() const { return readGlTrace(glLogPath_); }

 private:
  Frame capture();
  // Runs xdotool with these arguments on the display, then waits a few swaps (or the end).
  void runXdotool(const std::vector<std::string>& arguments);
  // False when bvdemo ended first.
  bool waitForSwapsOrExit(std::uint64_t count);
  [[noreturn]] void fail(const std::string& what) const;

  std::string displayName_;
  std::chrono::milliseconds timeout_;
  std::string stdoutPath_;
  std::string stderrPath_;
  std::string glLogPath_;
  struct Unmap {
    void operator()(SwapRecord* record) const;
  };
  struct CloseConnection {
    void operator()(Display* connection) const { XCloseDisplay(connection); }
  };

  // Declared in this order so that bvdemo is stopped before the connection and the record go.
  std::unique_ptr<SwapRecord, Unmap> record_;
  std::unique_ptr<Display, CloseConnection> connection_;
  Window window_ = 0;
  std::unique_ptr<ChildProcess> demo_;
};
