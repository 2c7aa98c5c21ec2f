#include "FuzzSession.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "core/Application.h"
#include "core/StandinHost.h"
#include "detect/ScanDocument.h"
#include "host/PlugIn.h"
#include "mask/RedactionWriter.h"
#include "mask/Replacements.h"
#include "ui/PiOptions.h"

namespace fuzz {

void EnsureModuleLoaded() {
  static const bool loaded = [] {
    standin::Table().SetLogging(false);
    std::string error;
    if (!standin::LoadPlugin(&vm::PlugInMain, &error)) std::abort();
    // Most mutated content cannot be read completely, and such a page never finishes parsing:
    // the module would spend its whole bound of continue steps on every page of every input.
    // Parsing is not what is fuzzed here (the interpreter behind it is), so pages report parsed.
    standin::Table().Override<73, 4>([](HostHandle) -> int32_t { return 1; });
    return true;
  }();
  (void)loaded;
}

void ScanAndProtect(HostHandle document) {
  vm::PiOptions options;
  options.flags.fill(true);
  options.protection = u"******";
  vm::PiMatchList matches;
  vm::ScanReport report;
  vm::ScanDocument(document, options.flags, matches, &report);
  vm::PiMatchList replacements;
  vm::BuildReplacements(document, options, matches, replacements);
  if (!replacements.empty()) vm::ApplyReplacements(document, replacements, options.protection[0]);
}

std::string TemporaryPath(const std::string& name) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("veilmark-fuzz-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

}  // namespace fuzz
