// Xvfb started with -displayfd: it writes its display number to the pipe once it accepts
// connections.
#include "viewer/tests/virtual_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace {

constexpr int STARTUP_TIMEOUT_MS = 60'000;

}  // namespace

VirtualDisplay::VirtualDisplay(const std::string& logPath) {
  int fds[2];
  if (pipe2(fds, 0) != 0) {
    throw std::runtime_error("cannot make a pipe for Xvfb");
  }
  const int readEnd = fds[0];
  const int writeEnd = fds[1];
  // Only the write end is for Xvfb; the read end must not leak into it or into later children.
  fcntl(readEnd, F_SETFD, FD_CLOEXEC);

  Redirections redirections;
  redirections.stderrPath = logPath;
  try {
    server_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(writeEnd), "-screen", "0",
                                 "1024x768x24", "-nolisten", "tcp", "-noreset"},
        std::map<std::string, std::string>{}, redirections);
  } catch (...) {
    close(readEnd);
    close(writeEnd);
    throw;
  }
  close(writeEnd);

  std::string number;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(STARTUP_TIMEOUT_MS);
  while (number.empty() || number.back() != '\n') {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    pollfd request{readEnd, POLLIN, 0};
    char buffer[32];
    if (left <= 0 || ::poll(&request, 1, static_cast<int>(left)) <= 0) {
      close(readEnd);
      throw std::runtime_error("Xvfb named no display within a minute: " + fileText(logPath));
    }
    const ssize_t got = read(readEnd, buffer, sizeof buffer);
    if (got <= 0) {
      close(readEnd);
      throw std::runtime_error("Xvfb ended before naming a display: " + fileText(logPath));
    }
    number.append(buffer, static_cast<std::size_t>(got));
  }
  close(readEnd);
  number.pop_back();
  name_ = ":" + number;
}

VirtualDisplay::~VirtualDisplay() {
  if (server_) {
    server_->stop(SIGTERM);
  }
}
