#include "HostSession.h"

#include <cstdio>

#include "core/Application.h"
#include "core/StandinHost.h"
#include "host/PlugIn.h"

namespace cli {

HostHandle OpenInHost(const std::string& path, const char* command) {
  std::string error;
  standin::Table().SetLogging(false);
  if (!standin::LoadPlugin(&vm::PlugInMain, &error)) {
    std::fprintf(stderr, "veilmark %s: the module could not be loaded: %s\n", command, error.c_str());
    return nullptr;
  }
  HostHandle document = standin::OpenHostDocument(path, &error);
  if (!document)
    std::fprintf(stderr, "veilmark %s: cannot open '%s': %s\n", command, path.c_str(),
                 error.c_str());
  return document;
}

}  // namespace cli
