// Protecting every occurrence of the 200-page Korean sample through the stand-in host and
// saving, beside pdftotext on the same file. One iteration: open, scan with all categories,
// build the replacements with the default formats, apply them, save, close.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "core/Application.h"
#include "core/StandinHost.h"
#include "detect/ScanDocument.h"
#include "host/PlugIn.h"
#include "mask/RedactionWriter.h"
#include "mask/Replacements.h"

namespace {

const std::string kSample = std::string(VM_TEST_DATA_DIR) + "/bench-200.pdf";

void BM_Pdftotext(benchmark::State& state) {
  const std::string command = "pdftotext -q '" + kSample + "' /dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("pdftotext failed (poppler-utils installed?)");
      break;
    }
  }
}
BENCHMARK(BM_Pdftotext)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ProtectAllAndSave(benchmark::State& state) {
  standin::ResetHost();
  std::string error;
  if (!standin::LoadPlugin(&vm::PlugInMain, &error)) {
    state.SkipWithError(("cannot load the module: " + error).c_str());
    return;
  }
  const std::string out = "/tmp/veilmark-protect-bench-" + std::to_string(getpid()) + ".pdf";
  vm::PiOptions options;
  options.flags.fill(true);
  options.protection = u"******";
  vm::PiMatchList matches;
  vm::PiMatchList replacements;
  for (auto _ : state) {
    HostHandle document = standin::OpenHostDocument(kSample, &error);
    if (!document) {
      state.SkipWithError(("cannot open the sample: " + error).c_str());
      break;
    }
    vm::ScanDocument(document, options.flags, matches);
    vm::BuildReplacements(document, options, matches, replacements);
    bool applied = vm::ApplyReplacements(document, replacements, options.protection[0]);
    bool saved = standin::SaveHostDocument(document, out, &error);
    standin::CloseHostDocument(document);
    standin::Table().ClearLog();
    if (!applied || !saved) {
      state.SkipWithError(applied ? ("save failed: " + error).c_str() : "nothing was applied");
      break;
    }
  }
  state.counters["replacements"] = static_cast<double>(replacements.size());
  std::remove(out.c_str());
  standin::ResetHost();
}
BENCHMARK(BM_ProtectAllAndSave)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
