#include "host/PageAccess.h"

#include <cstring>

#include "host/HostCall.h"

namespace vm {

bool EnsurePageParsed(HostHandle page) {
  if (Host<73, 4>(page) != 0) return true;
  HostHandle pause = Host<74, 0>(0, 1, 0, 1);
  Host<73, 28>(page, pause);
  // The host is relied on to finish through continue steps; the bound only keeps a page that
  // never gets there from hanging the command.
  bool parsed = Host<73, 4>(page) != 0;
  for (int step = 0; !parsed && step < kMaxParseContinueSteps; ++step) {
    Host<73, 2>(page, nullptr);
    parsed = Host<73, 4>(page) != 0;
  }
  Host<74, 1>(pause);
  return parsed;
}

int32_t QueryCharInfo(HostHandle textPage, int32_t index, HostCharInfo* info) {
  std::memset(info, 0, sizeof(HostCharInfo));
  info->object = Host<7, 0>();
  int32_t result = Host<120, 5>(textPage, index, info);
  HostHandle object = info->object;
  info->object = nullptr;
  Host<7, 1>(object);
  return result;
}

HostHandle OpenAnalysedTextPage(HostHandle pdfPage, bool* parsed) {
  const bool done = EnsurePageParsed(pdfPage);
  if (parsed) *parsed = done;
  HostHandle textPage = Host<120, 0>(pdfPage, 0);
  if (textPage && Host<120, 3>(textPage) == 0) Host<120, 2>(textPage);
  return textPage;
}

}  // namespace vm
