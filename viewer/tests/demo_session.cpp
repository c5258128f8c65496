// bvdemo under test: started with the test preload, seen through a private X connection.
#include "viewer/tests/demo_session.h"

#include <X11/Xutil.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <bit>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace {

using std::chrono::milliseconds;

constexpr milliseconds TIMEOUT{60'000};
constexpr milliseconds POLL_INTERVAL{2};
// After xdotool returns (its connection closes only after the server has handled the fake
// input events), bvdemo reads the events on its next turn of the main loop and shows their
// effect in the frame after; a few more swaps leave a wide margin.
constexpr std::uint64_t SWAPS_AFTER_INPUT = 5;
constexpr std::uint64_t SWAPS_BETWEEN_CAPTURES = 3;
constexpr int SETTLE_ATTEMPTS = 50;

// Windows vanish while tests watch them (that is the point of the exit tests); Xlib's default
// handler would end the test program on the first BadWindow.
int ignoreXError(Display*, XErrorEvent*) {
  return 0;
}

SwapRecord* mapRecord(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  if (fd < 0 || ftruncate(fd, sizeof(SwapRecord)) != 0) {
    throw std::runtime_error("cannot create " + path);
  }
  void* mapped = mmap(nullptr, sizeof(SwapRecord), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);
  if (mapped == MAP_FAILED) {
    throw std::runtime_error("cannot map " + path);
  }
  auto* record = static_cast<SwapRecord*>(mapped);
  record->swaps = 0;
  record->stdoutBytesAtFirstSwap = -1;
  return record;
}

int channel(unsigned long pixel, unsigned long mask) {
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  const auto value = static_cast<int>((pixel & mask) >> shift);
  return bits == 8 ? value : value * 255 / ((1 << bits) - 1);
}

}  // namespace

DemoSession::DemoSession(const VirtualDisplay& display, const std::string& workDir,
                         long long clockSeconds, const DemoLaunch& launch)
    : displayName_(display.name()),
      timeout_(launch.launcher.empty() ? TIMEOUT : 10 * TIMEOUT),
      stdoutPath_(workDir + "/stdout"),
      stderrPath_(workDir + "/stderr"),
      glLogPath_(workDir + "/gl.log") {
  const std::string recordPath = workDir + "/swaps";
  record_.reset(mapRecord(recordPath));
  std::filesystem::remove(glLogPath_);  // the preload appends
  XSetErrorHandler(ignoreXError);
  connection_.reset(XOpenDisplay(displayName_.c_str()));
  if (connection_ == nullptr) {
    throw std::runtime_error("cannot connect to the virtual display " + displayName_);
  }
  Redirections redirections;
  redirections.stdoutPath = launch.standardOutputClosed ? "" : stdoutPath_;
  redirections.stderrPath = stderrPath_;
  std::vector<std::string> argv = launch.launcher;
  argv.push_back(BVDEMO_PROGRAM);
  argv.insert(argv.end(), launch.arguments.begin(), launch.arguments.end());
  if (launch.displayBy == DisplayBy::Option) {
    argv.insert(argv.end(), {"-display", displayName_});
  }
  std::map<std::string, std::string> variables = launch.environment;
  variables.insert(
      {{"DISPLAY", launch.displayBy == DisplayBy::Environment ? displayName_ : std::string()},
       {"LIBGL_ALWAYS_SOFTWARE", "1"},
       {"LD_PRELOAD", BVDEMO_E2E_PRELOAD},
       {"BVDEMO_E2E_TIME", std::to_string(clockSeconds)},
       {"BVDEMO_E2E_SHARED", recordPath},
       {"BVDEMO_E2E_GL_LOG", glLogPath_}});
  demo_ = std::make_unique<ChildProcess>(argv, variables, redirections);
}

void DemoSession::Unmap::operator()(SwapRecord* record) const {
  munmap(record, sizeof(SwapRecord));
}

void DemoSession::fail(const std::string& what) const {
  throw std::runtime_error(what + "; bvdemo's standard error: \"" + standardError() + "\"");
}

void DemoSession::waitForWindow() {
  const auto deadline = std::chrono::steady_clock::now() + timeout_;
  while (window_ == 0) {
    if (demo_->poll()) {
      fail("bvdemo ended before its window showed");
    }
    if (std::chrono::steady_clock::now() > deadline) {
      fail("no viewable \"GLUT app\" window in time");
    }
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(connection_.get(), DefaultRootWindow(connection_.get()), &root, &parent,
                   &children, &count) != 0) {
      for (unsigned int i = 0; i < count && window_ == 0; ++i) {
        char* title = nullptr;
        XWindowAttributes attributes{};
        if (XFetchName(connection_.get(), children[i], &title) != 0 && title != nullptr &&
            std::strcmp(title, "GLUT app") == 0 &&
            XGetWindowAttributes(connection_.get(), children[i], &attributes) != 0 &&
            attributes.map_state == IsViewable) {
          window_ = children[i];
        }
        if (title != nullptr) {
          XFree(title);
        }
      }
      if (children != nullptr) {
        XFree(children);
      }
    }
    std::this_thread::sleep_for(milliseconds(10));
  }
}

void DemoSession::waitForFirstFrame() {
  waitForWindow();
  const auto deadline = std::chrono::steady_clock::now() + timeout_;
  while (swaps() == 0) {
    if (demo_->poll()) {
      fail("bvdemo ended before its first frame");
    }
    if (std::chrono::steady_clock::now() > deadline) {
      fail("no frame in time");
    }
    std::this_thread::sleep_for(POLL_INTERVAL);
  }
  // Key events from XTEST go to the focus window; without a window manager nobody else
  // gives it the focus.
  XSetInputFocus(connection_.get(), window_, RevertToPointerRoot, CurrentTime);
  XSync(connection_.get(), False);
}

std::uint64_t DemoSession::swaps() const {
  return __atomic_load_n(&record_->swaps, __ATOMIC_ACQUIRE);
}

long long DemoSession::stdoutBytesAtFirstSwap() const {
  return __atomic_load_n(&record_->stdoutBytesAtFirstSwap, __ATOMIC_ACQUIRE);
}

void DemoSession::waitForSwaps(std::uint64_t count) {
  if (!waitForSwapsOrExit(count)) {
    fail("bvdemo ended while the test waited for frames");
  }
}

bool DemoSession::waitForSwapsOrExit(std::uint64_t count) {
  const std::uint64_t target = swaps() + count;
  const auto deadline = std::chrono::steady_clock::now() + timeout_;
  while (swaps() < target) {
    if (demo_->poll()) {
      return false;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      fail("fewer than " + std::to_string(count) + " frames in time");
    }
    std::this_thread::sleep_for(POLL_INTERVAL);
  }
  return true;
}

void DemoSession::runXdotool(const std::vector<std::string>& arguments) {
  std::vector<std::string> command{"xdotool"};
  command.insert(command.end(), arguments.begin(), arguments.end());
  const int status = runToEnd(command, {{"DISPLAY", displayName_}}, timeout_);
  if (status != 0) {
    fail("xdotool " + arguments.front() + " failed with status " + std::to_string(status));
  }
  // Input may end the program (Escape); the caller checks how it ended.
  waitForSwapsOrExit(SWAPS_AFTER_INPUT);
}

void DemoSession::pressKeys(const std::vector<std::string>& keys) {
  std::vector<std::string> arguments{"key", "--delay", "10"};
  arguments.insert(arguments.end(), keys.begin(), keys.end());
  runXdotool(arguments);
}

void DemoSession::pressKeysInBurst(const std::vector<std::string>& keys) {
  std::vector<std::string> arguments{"key", "--delay", "0"};
  arguments.insert(arguments.end(), keys.begin(), keys.end());
  runXdotool(arguments);
}

void DemoSession::resizeWindow(int width, int height) {
  runXdotool(
      {"windowsize", std::to_string(window_), std::to_string(width), std::to_string(height)});
}

void DemoSession::dragMouse(int fromX, int fromY, int toX, int toY) {
  const std::string window = std::to_string(window_);
  runXdotool({"mousemove", "--window", window, std::to_string(fromX), std::to_string(fromY),
              "mousedown", "1", "mousemove", "--window", window, std::to_string(toX),
              std::to_string(toY), "mouseup", "1"});
}

void DemoSession::clickMouseButton(int button) {
  runXdotool({"mousemove", "--window", std::to_string(window_), "320", "240", "click",
              std::to_string(button)});
}

Frame DemoSession::capture() {
  XWindowAttributes attributes{};
  if (XGetWindowAttributes(connection_.get(), window_, &attributes) == 0) {
    fail("the window is gone");
  }
  XImage* image =
      XGetImage(connection_.get(), window_, 0, 0, static_cast<unsigned int>(attributes.width),
                static_cast<unsigned int>(attributes.height), AllPlanes, ZPixmap);
  if (image == nullptr) {
    fail("cannot read the window's pixels");
  }
  const Visual* visual = attributes.visual;
  Frame frame;
  frame.width = attributes.width;
  frame.height = attributes.height;
  frame.pixels.reserve(static_cast<std::size_t>(frame.width) *
                       static_cast<std::size_t>(frame.height));
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      frame.pixels.push_back(static_cast<std::uint32_t>(channel(pixel, visual->red_mask) << 16 |
                                                        channel(pixel, visual->green_mask) << 8 |
                                                        channel(pixel, visual->blue_mask)));
    }
  }
  XDestroyImage(image);
  return frame;
}

Frame DemoSession::settledFrame() {
  waitForSwaps(SWAPS_BETWEEN_CAPTURES);
  Frame previous = capture();
  for (int attempt = 0; attempt < SETTLE_ATTEMPTS; ++attempt) {
    waitForSwaps(SWAPS_BETWEEN_CAPTURES);
    Frame current = capture();
    if (current == previous) {
      return current;
    }
    previous = std::move(current);
  }
  fail("the frame keeps changing without input");
}

void DemoSession::closeWindow() {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window_;
  event.xclient.message_type = XInternAtom(connection_.get(), "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] =
      static_cast<long>(XInternAtom(connection_.get(), "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(connection_.get(), window_, False, NoEventMask, &event);
  XSync(connection_.get(), False);
}

int DemoSession::waitForExit() {
  return demo_->waitForExit(timeout_);
}

std::string DemoSession::standardOutput() const {
  return fileText(stdoutPath_);
}
std::string DemoSession::standardError() const {
  return fileText(stderrPath_);
}
