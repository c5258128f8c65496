// bvdemo under valgrind's memcheck in a virtual X server: the program's own cloud ended by
// Escape after the keys have been used, and a model file ended the same way. No invalid
// access, no use of uninitialised values and no leak may come from our code; what Mesa,
// freeglut and Xlib keep for themselves is suppressed in valgrind.supp, one comment each.
// Labelled memcheck: each run takes a minute or two under valgrind's software CPU.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "viewer/tests/bvdemo_fixture.h"

namespace {

constexpr long long SEED = 1700000000;
// valgrind's exit status when it found an error; bvdemo's own Escape status is 1.
constexpr int MEMCHECK_ERRORS = 99;

int count(const std::string& text, const std::string& what) {
  int found = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++found;
  return found;
}

class BvdemoMemcheck : public Bvdemo {
 protected:
  std::vector<std::string> valgrind() const {
    return {"valgrind",
            "--tool=memcheck",
            "--leak-check=full",
            "--errors-for-leak-kinds=definite,possible",
            "--keep-debuginfo=yes",
            "--num-callers=40",
            "--error-exitcode=" + std::to_string(MEMCHECK_ERRORS),
            "--suppressions=" BVDEMO_VALGRIND_SUPPRESSIONS,
            "--log-file=" + workDir_ + "/memcheck.%p.log"};
  }

  // Every log valgrind wrote (one per process), for the failure message.
  std::string logs() const {
    std::string text;
    for (const auto& entry : std::filesystem::directory_iterator(workDir_)) {
      if (entry.path().filename().string().starts_with("memcheck.")) {
        text += fileText(entry.path().string());
      }
    }
    return text;
  }

  // Starts bvdemo under memcheck, uses every key, ends it with Escape and checks the verdict.
  void runAndEndByEscape(const std::vector<std::string>& arguments) {
    DemoLaunch launch;
    launch.arguments = arguments;
    launch.launcher = valgrind();
    DemoSession demo(*display_, workDir_, SEED, launch);
    demo.waitForFirstFrame();
    demo.pressKeys({"1", "2", "3", "4", "z", "Z", "Left", "Right", "Up", "Down", "4", "3", "2"});
    demo.pressKey("Escape");
    const int status = demo.waitForExit();
    const std::string log = logs();
    EXPECT_EQ(status, 1) << log;
    // One summary per process (the loader's import runs in a forked child), each clean.
    EXPECT_GT(count(log, "ERROR SUMMARY: "), 0) << log;
    EXPECT_EQ(count(log, "ERROR SUMMARY: 0 errors"), count(log, "ERROR SUMMARY: ")) << log;
    EXPECT_FALSE(demo.standardOutput().empty());
  }
};

TEST_F(BvdemoMemcheck, OwnCloudEndedByEscapeIsClean) {
  runAndEndByEscape({});
}

TEST_F(BvdemoMemcheck, ModelFileEndedByEscapeIsClean) {
  runAndEndByEscape({work_.write("model.ply",
                                 "ply\nformat ascii 1.0\nelement vertex 5\nproperty float x\n"
                                 "property float y\nproperty float z\nend_header\n"
                                 "0 0 0\n0.1 0 0\n0 0.1 0\n0 0 0.1\n0.1 0.1 0.1\n")});
}

}  // namespace
