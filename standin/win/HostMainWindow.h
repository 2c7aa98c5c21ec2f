// The host's real main window (host 20:36), made at its first use.
#pragma once

#include <windows.h>

namespace standin {

HWND HostMainWindow();
// Destroys the main window (a later use makes a new one).
void DestroyHostMainWindow();

}  // namespace standin
