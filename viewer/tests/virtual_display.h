// VirtualDisplay: a private Xvfb server for one end-to-end test, on a display number the
// server picks itself (-displayfd), so tests can run in parallel. Stopped on destruction.
#pragma once

#include <memory>
#include <string>

#include "viewer/tests/child_process.h"

class VirtualDisplay {
 public:
  // Starts Xvfb with one 1024x768 screen of depth 24; its messages go to logPath. It does not
  // reset when its last client leaves, so runs can follow each other on one display.
  // Throws when Xvfb cannot be started or names no display within a minute.
  explicit VirtualDisplay(const std::string& logPath);
  ~VirtualDisplay();
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  // ":N", the value for DISPLAY.
  const std::string& name() const { return name_; }

 private:
  std::unique_ptr<ChildProcess> server_;
  std::string name_;
};
