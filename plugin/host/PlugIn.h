// Plug-in entry and the two handshakes.
#pragma once

#include "HostAbi.h"

namespace vm {

// Writes the interface version and the address of HostSetup; returns 1.
int32_t VM_CALL PlugInMain(uint32_t* version, void** setup);
int32_t VM_CALL HostSetup(uint32_t version, HostSetupRecord* record);
int32_t VM_CALL HostHandshake(uint32_t version, HandshakeRecord* record);

}  // namespace vm
