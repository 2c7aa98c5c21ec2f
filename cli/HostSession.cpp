#include "HostSession.h"

#include <cstdio>

#include "core/Application.h"
#include "core/StandinHost.h"
#include "host/PlugIn.h"

namespace cli {

bool StartHost(std::string* error) {
  standin::Table().SetLogging(false);
  return standin::LoadPlugin(&vm::PlugInMain, error) != nullptr;
}

HostHandle OpenDocumentForCommand(const std::string& path, const char* command) {
  std::string error;
  HostHandle document = standin::OpenHostDocument(path, &error);
  if (!document)
    std::fprintf(stderr, "veilmark %s: cannot open '%s': %s\n", command, path.c_str(),
                 error.c_str());
  return document;
}

}  // namespace cli
