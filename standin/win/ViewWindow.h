// Real windows for the stand-in's document views (31:42), inside the host's main window.
#pragma once

#include <windows.h>

namespace standin {

// From now on every document that opens gets a view window, shown while it is active.
void InstallViewWindows();

}  // namespace standin
