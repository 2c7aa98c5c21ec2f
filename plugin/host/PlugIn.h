// Plug-in entry and the two handshakes.
#pragma once

#include "HostAbi.h"

namespace vm {

constexpr char kPluginName[] = "Veilmark";
constexpr char16_t kPluginWideName[] = u"Veilmark";

// Writes the interface version and the address of HostSetup; returns 1.
int32_t VM_CALL PlugInMain(uint32_t* version, void** setup);
// For version 0x10000 only (else 0, nothing stored): keeps the function table and the plug-in
// identifier, registers HostHandshake, declares 0x0B000000; returns 1.
int32_t VM_CALL HostSetup(uint32_t version, HostSetupRecord* record);
// For version 0x10000 only (else 0): registers the name, lifecycle callbacks 1-3, the
// user-interface callbacks and lifecycle callback 4, in that order; returns 1.
int32_t VM_CALL HostHandshake(uint32_t version, HandshakeRecord* record);

// The lifecycle callbacks: nothing to do, always 1.
int32_t VM_CALL OnLifecycle1();
int32_t VM_CALL OnLifecycle2();
int32_t VM_CALL OnLifecycle3();
int32_t VM_CALL OnLifecycle4();
// The idle functions of the UiCallbackRecord (all but function 5).
void VM_CALL OnUiIdle();

}  // namespace vm
