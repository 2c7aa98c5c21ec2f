// What the host side of the module reaches of its user interface, without the window system's
// headers. plugin/ui implements it on Win32; a build without windows has no dialogs and no
// resources (plugin/ui/headless).
#pragma once

#include "HostAbi.h"

namespace vm {

// Opens the main dialog (or brings the open one forward) owned by the host's window.
void OpenMainDialogForHost(HostWindow owner);
// The handle under which the module's own resources are found; null when it has none.
void* ModuleResourceHandle();

}  // namespace vm
