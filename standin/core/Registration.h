// Each area of the stand-in host registers the host functions it implements.
#pragma once

#include "core/StandinHost.h"

namespace standin {

void RegisterCoreFunctions(FunctionTable& table);     // core/: application, documents, views, small services
void RegisterPdfFunctions(FunctionTable& table);      // pdf/: page objects, text pages, edits, fonts
void RegisterObjectFunctions(FunctionTable& table);   // objects/: PDF objects, streams, annotations
// win/ on Win32 (winelib): the real main window, the ribbon, module images; replaces the core's
// window-less versions. Without a window system (nowin/) it registers nothing.
void RegisterWindowFunctions(FunctionTable& table);

}  // namespace standin
