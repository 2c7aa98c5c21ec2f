// Loading a plug-in library (dlopen) and resetting the whole host between tests. The handshake
// itself is core/Handshake.cpp.
#include <dlfcn.h>

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

}  // namespace

const LoadedPlugin* LoadPluginLibrary(const std::string& path, std::string* error) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* message = dlerror();
    if (error) *error = message ? message : "cannot load " + path;
    return nullptr;
  }
  Libraries().push_back(library);
  auto main = reinterpret_cast<PlugInMainFn>(dlsym(library, "PlugInMain"));
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
  for (void* library : Libraries()) dlclose(library);
  Libraries().clear();
  Table().ClearLog();
  Tracker().Reset();
  ResetMessageBoxes();
  ResetRibbon();
  ResetParseState();
}

}  // namespace standin
