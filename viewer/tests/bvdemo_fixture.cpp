// The shared fixture of bvdemo's end-to-end tests.
#include "viewer/tests/bvdemo_fixture.h"

#include <algorithm>

#include "hull/tests/golden_cases.h"

std::string keptReport(long long seed) {
  const std::string kept = golden::read(BVDEMO_SOURCE_DIR "/bounds/tests/golden/reports.txt")
                               .at("clock seed " + std::to_string(seed));
  std::size_t end = 0;
  for (int line = 0; line < 6; ++line) {
    end = kept.find('\n', end) + 1;
  }
  return kept.substr(0, end);
}

PixelBounds nonWhiteBounds(const Frame& frame) {
  PixelBounds bounds{frame.width, -1, frame.height, -1};
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      if (frame.at(x, y) != WHITE) {
        bounds.left = std::min(bounds.left, x);
        bounds.right = std::max(bounds.right, x);
        bounds.top = std::min(bounds.top, y);
        bounds.bottom = std::max(bounds.bottom, y);
      }
    }
  }
  return bounds;
}

bool nonWhiteWithin(const Frame& frame, const PixelBounds& rectangle) {
  const PixelBounds bounds = nonWhiteBounds(frame);
  return bounds.left >= rectangle.left && bounds.right <= rectangle.right &&
         bounds.top >= rectangle.top && bounds.bottom <= rectangle.bottom;
}

std::ostream& operator<<(std::ostream& out, const PixelBounds& bounds) {
  return out << "x " << bounds.left << " to " << bounds.right << ", y " << bounds.top << " to "
             << bounds.bottom;
}

void Bvdemo::SetUp() {
  display_ = std::make_unique<VirtualDisplay>(workDir_ + "/xvfb.log");
}

std::unique_ptr<DemoSession> Bvdemo::start(long long clockSeconds,
                                           const std::vector<std::string>& arguments,
                                           DisplayBy displayBy) {
  DemoLaunch launch;
  launch.arguments = arguments;
  launch.displayBy = displayBy;
  return start(clockSeconds, launch);
}

std::unique_ptr<DemoSession> Bvdemo::start(long long clockSeconds, const DemoLaunch& launch) {
  auto demo = std::make_unique<DemoSession>(*display_, workDir_, clockSeconds, launch);
  demo->waitForFirstFrame();
  return demo;
}

FinishedRun Bvdemo::runWithoutDisplay(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{BVDEMO_PROGRAM};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return runCaptured(argv, {{"DISPLAY", ""}}, workDir_, std::chrono::milliseconds(60'000));
}
