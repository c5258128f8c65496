// ChildProcess: a program started by the end-to-end tests, with its standard streams
// redirected to files, reaped (and killed first if still running) on destruction; a run to
// its end with both outputs captured; and the scratch folder such runs work in.
//
// Failures to start or to finish in time throw std::runtime_error with a message that names
// the program, so a missing tool fails a test clearly instead of skipping it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Each path is opened for the child's descriptor; an empty path leaves it closed.
struct Redirections {
  std::string stdinPath = "/dev/null";
  std::string stdoutPath = "/dev/null";
  std::string stderrPath = "/dev/null";
};

class ChildProcess {
 public:
  // Starts argv[0] (searched in PATH) with the test's environment plus overrides
  // (an empty value removes the variable).
  ChildProcess(const std::vector<std::string>& argv,
               const std::map<std::string, std::string>& environment,
               const Redirections& redirections);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The exit status when it exited normally, 128 + signal number when a signal ended it;
  // nothing when it is still running.
  std::optional<int> poll();
  // Waits for the end; throws when it takes longer than timeout.
  int waitForExit(std::chrono::milliseconds timeout);
  // Sends the signal and reaps the process.
  void stop(int signal);
  const std::string& name() const { return name_; }

 private:
  std::string name_;
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// Runs a program to its end and returns its exit status (throws as above).
int runToEnd(const std::vector<std::string>& argv,
             const std::map<std::string, std::string>& environment,
             std::chrono::milliseconds timeout);

// A program run to its end.
struct FinishedRun {
  int status = -1;
  std::string standardOutput;
  std::string standardError;  // empty when it went to a path of the caller's
};

// Runs argv to its end (throws as above), its standard output and error in files in folder,
// or standard error to stderrPath when one is given.
FinishedRun runCaptured(const std::vector<std::string>& argv,
                        const std::map<std::string, std::string>& environment,
                        const std::string& folder, std::chrono::milliseconds timeout,
                        const std::string& stderrPath = "");

// The whole content of a file; empty when it cannot be read.
std::string fileText(const std::string& path);

// A fresh folder in the temporary directory, removed with its contents.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& prefix);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  // Writes content to name (which may hold '/': folders are made) and returns its path.
  std::string write(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
};
