// Closed standard descriptors are reopened on /dev/null, open ones are left alone.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "viewer/standard_streams.h"

namespace {

bool isDevNull(int fd) {
  struct stat seen {};
  struct stat null {};
  return fstat(fd, &seen) == 0 && stat("/dev/null", &null) == 0 && S_ISCHR(seen.st_mode) &&
         seen.st_rdev == null.st_rdev;
}

// In a child (whose descriptors may be closed without harm to the test): standard
// descriptors on a pipe, the ones in closedMask closed, then the repair. Returns a bit per
// fault found.
int repairInChild(int closedMask) {
  const pid_t pid = fork();
  if (pid == 0) {
    int ends[2];
    if (pipe(ends) != 0)
      _exit(64);
    for (int fd = 0; fd <= 2; ++fd)
      dup2(ends[fd == 0 ? 0 : 1], fd);
    for (int fd = 0; fd <= 2; ++fd)
      if (closedMask & (1 << fd))
        close(fd);
    int faults = ensureStandardDescriptorsOpen() ? 0 : 1;
    for (int fd = 0; fd <= 2; ++fd) {
      const bool wasClosed = (closedMask & (1 << fd)) != 0;
      if (fcntl(fd, F_GETFD) == -1 || isDevNull(fd) != wasClosed)
        faults |= 2 << fd;
    }
    // The next descriptor opened (the X connection, in the program) takes no standard number.
    if (open("/dev/null", O_RDONLY) <= 2)
      faults |= 16;
    _exit(faults);
  }
  int raw = 0;
  waitpid(pid, &raw, 0);
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128;
}

TEST(StandardStreams, EveryClosedStandardDescriptorIsReopenedOnDevNullAndNoOtherIsTouched) {
  for (int closedMask = 0; closedMask < 8; ++closedMask)
    EXPECT_EQ(repairInChild(closedMask), 0) << "closed mask " << closedMask;
}

}  // namespace
