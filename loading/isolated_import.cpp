// fork, a pipe and waitpid: the child imports and streams its LoadResult back as
// [error length][error][point count][points][triangle count][triangles]; the parent reads it
// under a deadline and checks every triangle's indices against the points it got.
#include "loading/isolated_import.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <new>

namespace {

constexpr std::uint64_t MAX_ERROR_LENGTH = 4096;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool ADDRESS_SANITIZER = true;
#else
constexpr bool ADDRESS_SANITIZER = false;
#endif

// Moves size bytes by repeated calls of step(bytes, count), a ::read or ::write on the pipe,
// retrying after a signal; before each call ready() may wait, or give up by returning false.
// False when the pipe fails or ends first.
template <class Byte, class Step, class Ready>
bool transferAll(Byte* bytes, std::size_t size, Step step, Ready ready) {
  while (size > 0) {
    if (!ready()) {
      return false;
    }
    const ssize_t moved = step(bytes, size);
    if (moved < 0 && errno == EINTR) {
      continue;
    }
    if (moved <= 0) {
      return false;
    }
    bytes += moved;
    size -= static_cast<std::size_t>(moved);
  }
  return true;
}

bool writeAll(int fd, const void* data, std::size_t size) {
  return transferAll(
      static_cast<const char*>(data), size,
      [fd](const char* bytes, std::size_t count) { return ::write(fd, bytes, count); },
      [] { return true; });
}

void setLimit(int resource, rlim_t soft, rlim_t hard) {
  const rlimit limit{soft, hard};
  ::setrlimit(resource, &limit);
}

[[noreturn]] void runChild(int fd, const std::string& name, const ImportLimits& limits,
                           const std::function<LoadResult()>& import) {
  setLimit(RLIMIT_CORE, 0, 0);
  // SIGXCPU at the soft limit; the hard limit a little later kills a child that ignores it.
  setLimit(RLIMIT_CPU, limits.cpuSeconds, limits.cpuSeconds + 5);
  if (limits.addressSpaceBytes != 0 && !ADDRESS_SANITIZER) {
    setLimit(RLIMIT_AS, limits.addressSpaceBytes, limits.addressSpaceBytes);
  }
  if (const int devNull = ::open("/dev/null", O_WRONLY); devNull >= 0) {
    ::dup2(devNull, STDOUT_FILENO);
    if (!ADDRESS_SANITIZER) {
      ::dup2(devNull, STDERR_FILENO);
    }
  }
  LoadResult result;
  try {
    result = import();
  } catch (const std::bad_alloc&) {
    result = LoadResult::failure(name, "ran out of memory while reading it");
  } catch (const std::exception& e) {
    result = LoadResult::failure(name, e.what());
  } catch (...) {
    result = LoadResult::failure(name, "the model reader failed on it (unknown exception)");
  }
  if (result.error.size() > MAX_ERROR_LENGTH) {
    result.error.resize(MAX_ERROR_LENGTH);
  }
  const std::uint64_t errorLength = result.error.size();
  const std::uint64_t count = result.points.size();
  const std::uint64_t triangleCount = result.triangles.size();
  const bool sent = writeAll(fd, &errorLength, sizeof errorLength) &&
                    writeAll(fd, result.error.data(), result.error.size()) &&
                    writeAll(fd, &count, sizeof count) &&
                    writeAll(fd, result.points.data(), count * sizeof(Vector3)) &&
                    writeAll(fd, &triangleCount, sizeof triangleCount) &&
                    writeAll(fd, result.triangles.data(), triangleCount * sizeof(Triangle));
  ::_exit(sent ? 0 : 1);
}

// Reads exactly size bytes unless the pipe ends or the deadline passes.
class DeadlineReader {
 public:
  DeadlineReader(int fd, std::chrono::steady_clock::time_point deadline)
      : fd_(fd), deadline_(deadline) {}

  bool read(void* data, std::size_t size) {
    return transferAll(
        static_cast<char*>(data), size,
        [this](char* bytes, std::size_t count) { return ::read(fd_, bytes, count); },
        [this] { return waitForData(); });
  }

  bool timedOut() const { return timedOut_; }

 private:
  // Polls until the pipe has something to read (true), or the deadline passes or poll fails
  // (false).
  bool waitForData() {
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline_ - std::chrono::steady_clock::now());
      if (left.count() <= 0) {
        timedOut_ = true;
        return false;
      }
      pollfd entry{fd_, POLLIN, 0};
      const int ready =
          ::poll(&entry, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
      if (ready < 0 && errno != EINTR) {
        return false;
      }
      if (ready > 0) {
        return true;
      }
    }
  }

  int fd_;
  std::chrono::steady_clock::time_point deadline_;
  bool timedOut_ = false;
};

// The child's answer, or false when it is incomplete or implausible.
bool readAnswer(DeadlineReader& reader, LoadResult& result) {
  std::uint64_t errorLength = 0;
  if (!reader.read(&errorLength, sizeof errorLength) || errorLength > MAX_ERROR_LENGTH) {
    return false;
  }
  result.error.resize(errorLength);
  std::uint64_t count = 0;
  if (!reader.read(result.error.data(), errorLength) || !reader.read(&count, sizeof count) ||
      count > MAX_LOADED_POINTS) {
    return false;
  }
  result.points.resize(count);
  std::uint64_t triangleCount = 0;
  if (!reader.read(result.points.data(), count * sizeof(Vector3)) ||
      !reader.read(&triangleCount, sizeof triangleCount) || triangleCount > MAX_LOADED_TRIANGLES) {
    return false;
  }
  result.triangles.resize(triangleCount);
  return reader.read(result.triangles.data(), triangleCount * sizeof(Triangle));
}

// The first triangle (counted from 1) with an index past the points, as a reason; else empty.
// A sound child never sends one, but the parent must not index with what it did not check.
std::string triangleOutOfRange(const LoadResult& result) {
  for (std::size_t t = 0; t < result.triangles.size(); ++t) {
    for (const std::uint32_t index : result.triangles[t]) {
      if (index >= result.points.size()) {
        return "the model reader sent triangle " + std::to_string(t + 1) + " with vertex " +
               std::to_string(index) + " of " + std::to_string(result.points.size()) + " points";
      }
    }
  }
  return {};
}

std::string describeEnd(int status, const ImportLimits& limits) {
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    if (signal == SIGXCPU) {
      return "reading it took more than " + std::to_string(limits.cpuSeconds) +
             " s of processor time";
    }
    return std::string("the model reader crashed on it (") + ::strsignal(signal) + ")";
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
    return "the model reader failed on it (exit status " + std::to_string(WEXITSTATUS(status)) +
           ")";
  }
  return "the model reader ended without an answer";
}

}  // namespace

ImportLimits importLimitsFor(std::uintmax_t inputBytes) {
  constexpr std::uint64_t MEGABYTE = 1 << 20;
  ImportLimits limits;
  limits.cpuSeconds = 30 + inputBytes / MEGABYTE;
  limits.wallSeconds = 2 * limits.cpuSeconds + 30;
  limits.addressSpaceBytes = (std::uint64_t{4} << 30) + 32 * std::uint64_t{inputBytes};
  return limits;
}

LoadResult runIsolated(const std::string& name, const ImportLimits& limits,
                       const std::function<LoadResult()>& import) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    return import();
  }
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return import();
  }
  if (pid == 0) {
    ::close(fds[0]);
    runChild(fds[1], name, limits, import);
  }
  ::close(fds[1]);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits.wallSeconds);
  DeadlineReader reader(fds[0], deadline);
  LoadResult result;
  const bool answered = readAnswer(reader, result);
  if (!answered) {
    ::kill(pid, SIGKILL);
  }
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (answered && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    if (std::string reason = triangleOutOfRange(result); !reason.empty()) {
      return LoadResult::failure(name, reason);
    }
    return result;
  }
  if (reader.timedOut()) {
    return LoadResult::failure(
        name, "reading it took longer than " + std::to_string(limits.wallSeconds) + " s");
  }
  return LoadResult::failure(name, describeEnd(status, limits));
}
