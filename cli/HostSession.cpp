#include "HostSession.h"

#include <cstdio>

#include "core/Application.h"
#include "core/StandinHost.h"
#include "host/PlugIn.h"
#include "pdf/Document.h"
#include "pdf/FlattenForms.h"
#include "pdf/ObjectCache.h"

namespace cli {

namespace {
// The commands work through the pages in order; a page and its neighbours are enough.
constexpr int kPageModelLimit = 4;
}  // namespace

HostHandle OpenInHost(const std::string& path, const char* command) {
  std::string error;
  standin::Table().SetLogging(false);
  standin::pdf::SetPageModelLimit(kPageModelLimit);
  static bool loaded = false;
  if (!loaded && !standin::LoadPlugin(&vm::PlugInMain, &error)) {
    std::fprintf(stderr, "veilmark %s: the module could not be loaded: %s\n", command,
                 error.c_str());
    return nullptr;
  }
  loaded = true;
  HostHandle document = standin::OpenHostDocument(path, &error);
  if (!document) {
    std::fprintf(stderr, "veilmark %s: cannot open '%s': %s\n", command, path.c_str(),
                 error.c_str());
    return nullptr;
  }
  // Text drawn by form XObjects becomes page-level text the module can remove.
  const standin::pdf::FlattenReport flattened = standin::pdf::FlattenTextForms(*standin::PdfDocumentOf(document));
  for (const std::string& line : flattened.leftAsForms)
    std::fprintf(stderr, "veilmark %s: %s: %s\n", command, path.c_str(), line.c_str());
  return document;
}

int DocumentPageCount(HostHandle document) {
  standin::pdf::Document* pdf = standin::PdfDocumentOf(document);
  return pdf ? standin::pdf::PageCount(*pdf) : 0;
}

void CloseInHost(HostHandle document) { standin::CloseHostDocument(document); }

}  // namespace cli
