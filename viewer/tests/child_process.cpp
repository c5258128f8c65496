// Child processes through posix_spawnp, polled with waitpid; scratch folders by mkdtemp.
#include "viewer/tests/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace {

std::vector<std::string> mergedEnvironment(const std::map<std::string, std::string>& overrides) {
  std::vector<std::string> merged;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const std::string key = text.substr(0, text.find('='));
    if (!overrides.contains(key)) {
      merged.push_back(text);
    }
  }
  for (const auto& [key, value] : overrides) {
    if (!value.empty()) {
      merged.push_back(key + "=" + value);
    }
  }
  return merged;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> result;
  for (std::string& s : strings) {
    result.push_back(s.data());
  }
  result.push_back(nullptr);
  return result;
}

int decodeStatus(int raw) {
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::map<std::string, std::string>& environment,
                           const Redirections& redirections)
    : name_(argv.at(0)) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const auto redirect = [&actions](int fd, const std::string& path, int flags) {
    if (path.empty())
      posix_spawn_file_actions_addclose(&actions, fd);
    else
      posix_spawn_file_actions_addopen(&actions, fd, path.c_str(), flags, 0644);
  };
  redirect(STDIN_FILENO, redirections.stdinPath, O_RDONLY);
  redirect(STDOUT_FILENO, redirections.stdoutPath, O_WRONLY | O_CREAT | O_TRUNC);
  redirect(STDERR_FILENO, redirections.stderrPath, O_WRONLY | O_CREAT | O_TRUNC);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Its own process group, so that a terminal's signals meant for the test do not reach it.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);

  std::vector<std::string> arguments = argv;
  std::vector<std::string> environmentStrings = mergedEnvironment(environment);
  std::vector<char*> argPointers = pointers(arguments);
  std::vector<char*> envPointers = pointers(environmentStrings);
  const int error = posix_spawnp(&pid_, name_.c_str(), &actions, &attributes, argPointers.data(),
                                 envPointers.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) {
    throw std::runtime_error("cannot start " + name_ + ": " + std::strerror(error) +
                             " (scripts/install-deps installs the test tools)");
  }
}

ChildProcess::~ChildProcess() {
  if (!status_) {
    stop(SIGKILL);
  }
}

std::optional<int> ChildProcess::poll() {
  if (!status_) {
    int raw = 0;
    if (waitpid(pid_, &raw, WNOHANG) == pid_) {
      status_ = decodeStatus(raw);
    }
  }
  return status_;
}

int ChildProcess::waitForExit(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!poll()) {
    if (std::chrono::steady_clock::now() > deadline) {
      throw std::runtime_error(name_ + " did not end within " + std::to_string(timeout.count()) +
                               " ms");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return *status_;
}

void ChildProcess::stop(int signal) {
  if (poll()) {
    return;
  }
  kill(pid_, signal);
  int raw = 0;
  if (waitpid(pid_, &raw, 0) == pid_) {
    status_ = decodeStatus(raw);
  }
}

int runToEnd(const std::vector<std::string>& argv,
             const std::map<std::string, std::string>& environment,
             std::chrono::milliseconds timeout) {
  ChildProcess child(argv, environment, Redirections{});
  return child.waitForExit(timeout);
}

FinishedRun runCaptured(const std::vector<std::string>& argv,
                        const std::map<std::string, std::string>& environment,
                        const std::string& folder, std::chrono::milliseconds timeout,
                        const std::string& stderrPath) {
  Redirections redirections;
  redirections.stdoutPath = folder + "/run.stdout";
  redirections.stderrPath = stderrPath.empty() ? folder + "/run.stderr" : stderrPath;
  FinishedRun run;
  {
    ChildProcess child(argv, environment, redirections);
    run.status = child.waitForExit(timeout);
  }
  run.standardOutput = fileText(redirections.stdoutPath);
  run.standardError = stderrPath.empty() ? fileText(redirections.stderrPath) : "";
  return run;
}

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

ScratchFolder::ScratchFolder(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make a scratch folder: " + std::string(std::strerror(errno)));
  }
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchFolder::write(const std::string& name, const std::string& content) const {
  const std::filesystem::path file = std::filesystem::path(path_) / name;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << content;
  return file.string();
}
