// The end-to-end tests' fixture: a private virtual display and a scratch directory per test,
// and bvdemo started in them.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "viewer/tests/demo_session.h"
#include "viewer/tests/virtual_display.h"

class Bvdemo : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "bvdemo-e2e-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    workDir_ = pattern;
    display_ = std::make_unique<VirtualDisplay>(workDir_ + "/xvfb.log");
  }

  void TearDown() override {
    display_.reset();
    std::filesystem::remove_all(workDir_);
  }

  // Starts bvdemo and waits for its first frame. Runs within one test follow each other.
  std::unique_ptr<DemoSession> start(long long clockSeconds,
                                     const std::map<std::string, std::string>& environment = {}) {
    auto demo =
        std::make_unique<DemoSession>(*display_, workDir_, clockSeconds, false, environment);
    demo->waitForFirstFrame();
    return demo;
  }

  std::string workDir_;
  std::unique_ptr<VirtualDisplay> display_;
};
