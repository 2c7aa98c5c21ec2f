// A whole PDF file through the stand-in: opened, scanned and protected through the module, and
// saved.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzSession.h"
#include "core/Application.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::EnsureModuleLoaded();
  static const std::string input = fuzz::TemporaryPath("in.pdf");
  static const std::string output = fuzz::TemporaryPath("out.pdf");
  if (std::FILE* f = std::fopen(input.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  std::string error;
  HostHandle document = standin::OpenHostDocument(input, &error);
  if (!document) return 0;
  fuzz::ScanAndProtect(document);
  standin::SaveHostDocument(document, output, &error);
  standin::CloseHostDocument(document);
  unlink(output.c_str());
  return 0;
}
