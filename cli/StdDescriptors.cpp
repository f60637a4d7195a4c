#include "cli/StdDescriptors.h"

#include <cerrno>
#include <fcntl.h>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

bool GClosed[3] = {false, false, false};

}  // namespace

void GuardStandardDescriptors() {
#ifndef _WIN32
  for (int Fd = 0; Fd < 3; ++Fd) {
    if (::fcntl(Fd, F_GETFD) != -1 || errno != EBADF) continue;
    GClosed[Fd] = true;
    // open() takes the lowest free number, which is Fd: the others below it are open.
    const int Null = ::open("/dev/null", Fd == 0 ? O_RDONLY : O_WRONLY);
    if (Null >= 0 && Null != Fd) ::close(Null);
  }
#endif
}

bool StandardDescriptorClosed(int Fd) {
  return Fd >= 0 && Fd < 3 && GClosed[Fd];
}
