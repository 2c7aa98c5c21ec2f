// The Win32 side of the stand-in host.
#pragma once

#include <windows.h>

#include "core/StandinHost.h"

namespace standin {

void RegisterMainWindowFunctions(FunctionTable& table);  // 20:36
void RegisterImageFunctions(FunctionTable& table);       // 2:50, 2:2

}  // namespace standin
