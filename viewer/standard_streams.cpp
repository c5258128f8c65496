// Reopens closed standard descriptors on /dev/null. open() returns the lowest free
// descriptor, so going from 0 to 2 in order fills exactly the closed ones.
#include "viewer/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

bool ensureStandardDescriptorsOpen() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
      continue;
    const int opened = open("/dev/null", O_RDWR);
    if (opened < 0)
      return false;
    if (opened != fd) {
      // Only when a lower descriptor was closed meanwhile; move it to its place.
      const bool moved = dup2(opened, fd) == fd;
      close(opened);
      if (!moved)
        return false;
    }
  }
  return true;
}
