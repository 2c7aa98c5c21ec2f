// A stand-in host without a window system: the core's window-less main window, and no images,
// since a module built without windows has no resources.
#include "core/Registration.h"

namespace standin {

namespace {

HostHandle VM_CALL NoImage(void*, uint32_t) { return nullptr; }
void VM_CALL ReleaseNoImage(HostHandle) {}

}  // namespace

void RegisterWindowFunctions(FunctionTable& table) {
  table.Implement<2, 50>(&NoImage);
  table.Implement<2, 2>(&ReleaseNoImage);
}

void InstallViewWindows() {}

}  // namespace standin
