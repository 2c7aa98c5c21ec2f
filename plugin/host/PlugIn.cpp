#include "host/PlugIn.h"

namespace vm {

int32_t VM_CALL PlugInMain(uint32_t* version, void** setup) {
  *version = kHostInterfaceVersion;
  *setup = reinterpret_cast<void*>(&HostSetup);
  return 1;
}

int32_t VM_CALL HostSetup(uint32_t, HostSetupRecord*) { return 0; }      // placeholder
int32_t VM_CALL HostHandshake(uint32_t, HandshakeRecord*) { return 0; }  // placeholder

}  // namespace vm
