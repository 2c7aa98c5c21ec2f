// Each area of the stand-in host registers the host functions it implements.
#pragma once

#include "core/StandinHost.h"

namespace standin {

void RegisterCoreFunctions(FunctionTable& table);     // core/: application, documents, views, small services
void RegisterPdfFunctions(FunctionTable& table);      // pdf/: page objects, text pages, edits, fonts
void RegisterObjectFunctions(FunctionTable& table);   // objects/: PDF objects, streams, annotations
// win/ on Win32 (winelib): the real main window (replacing the core's tag) and images from the
// module's resources. Without a window system (nowin/) a module has no resources: no images.
void RegisterWindowFunctions(FunctionTable& table);
// win/ViewWindow.cpp on Win32: every document that opens gets a real view window. Without a window
// system (nowin/) there is none to make.
void InstallViewWindows();

}  // namespace standin
