// Registration of the object and annotation host functions (see ObjectHandles.h for handles).
#pragma once

#include "core/StandinHost.h"

namespace standin::objects {

// 61:0/3/7, 66:1/3, 67:0/2/18/19/23/27, 68:0/1, 69:0/1/2/5/6, 34:42, 73:22.
void RegisterObjectHostFunctions(FunctionTable& table);
// 26:130, 173:0, 52:2, 32:18.
void RegisterAnnotationHostFunctions(FunctionTable& table);

}  // namespace standin::objects
