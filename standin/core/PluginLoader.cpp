// Loading a plug-in library (dlopen, LoadLibrary on Windows) and resetting the whole host between
// tests. The handshake itself is core/Handshake.cpp.
#ifdef __MINGW32__
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <vector>

#include "core/Application.h"
#include "core/CoreParts.h"

namespace standin {

namespace {

// dlopen handles, closed by ResetHost.
std::vector<void*>& Libraries() {
  static auto* libraries = new std::vector<void*>;
  return *libraries;
}

#ifdef __MINGW32__
void* OpenLibrary(const std::string& path, std::string* error) {
  HMODULE library = LoadLibraryA(path.c_str());
  if (!library && error) *error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
  return library;
}
void* EntryOf(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
void CloseLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }
#else
void* OpenLibrary(const std::string& path, std::string* error) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library && error) {
    const char* message = dlerror();
    *error = message ? message : "cannot load " + path;
  }
  return library;
}
void* EntryOf(void* library, const char* name) { return dlsym(library, name); }
void CloseLibrary(void* library) { dlclose(library); }
#endif

}  // namespace

const LoadedPlugin* LoadPluginLibrary(const std::string& path, std::string* error) {
  void* library = OpenLibrary(path, error);
  if (!library) return nullptr;
  Libraries().push_back(library);
  auto main = reinterpret_cast<PlugInMainFn>(EntryOf(library, "PlugInMain"));
  if (!main) {
    if (error) *error = path + " has no export PlugInMain";
    return nullptr;
  }
  const LoadedPlugin* plugin = LoadPlugin(main, error);
  SetLastPluginLibrary(library);
  return plugin;
}


void ResetHost() {
  Table().ClearOverrides();
  CloseAllHostDocuments();  // releases undo steps through the module's callbacks
  ForgetLastPlugin();
  for (void* library : Libraries()) CloseLibrary(library);
  Libraries().clear();
  Table().ClearLog();
  Tracker().Reset();
  ResetMessageBoxes();
  ResetRibbon();
  ResetParseState();
}

}  // namespace standin
