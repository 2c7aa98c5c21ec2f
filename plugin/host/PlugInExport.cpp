// The module's only export.
#include "host/PlugIn.h"

#if defined(_WIN32)
#define VM_EXPORT __declspec(dllexport)
#else
#define VM_EXPORT __attribute__((visibility("default")))
#endif

extern "C" VM_EXPORT int32_t VM_CALL PlugInMain(uint32_t* version, void** setup) {
  return vm::PlugInMain(version, setup);
}
