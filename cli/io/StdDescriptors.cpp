#include "cli/io/StdDescriptors.h"

#include "cli/sys/System.h"

namespace {

bool GClosed[3] = {false, false, false};

}  // namespace

void GuardStandardDescriptors() {
  sys::FillClosedStandardDescriptors(GClosed);
}

bool StandardDescriptorClosed(int Fd) {
  return Fd >= 0 && Fd < 3 && GClosed[Fd];
}
