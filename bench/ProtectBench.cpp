// Protecting every occurrence of the 200-page Korean sample through the stand-in host and
// saving, beside pdftotext on the same file. One iteration: open, scan with all categories,
// build the replacements with the default formats, apply them, save, close.
#include <benchmark/benchmark.h>

#include "ReferenceTools.h"

#include <chrono>

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


BENCHMARK(bench::Pdftotext)->Unit(benchmark::kMillisecond)->UseRealTime();

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
  // Where the time goes, in ms per iteration.
  double stage[5] = {};
  using Clock = std::chrono::steady_clock;
  auto lap = [](Clock::time_point& t) {
    Clock::time_point now = Clock::now();
    double ms = std::chrono::duration<double, std::milli>(now - t).count();
    t = now;
    return ms;
  };
  for (auto _ : state) {
    Clock::time_point t = Clock::now();
    HostHandle document = standin::OpenHostDocument(bench::kSample, &error);
    if (!document) {
      state.SkipWithError(("cannot open the sample: " + error).c_str());
      break;
    }
    vm::ScanDocument(document, options.flags, matches);
    stage[0] += lap(t);
    vm::BuildReplacements(document, options, matches, replacements);
    stage[1] += lap(t);
    bool applied = vm::ApplyReplacements(document, replacements, options.protection[0]);
    stage[2] += lap(t);
    bool saved = standin::SaveHostDocument(document, out, &error);
    stage[3] += lap(t);
    standin::CloseHostDocument(document);
    stage[4] += lap(t);
    standin::Table().ClearLog();
    if (!applied || !saved) {
      state.SkipWithError(applied ? ("save failed: " + error).c_str() : "nothing was applied");
      break;
    }
  }
  state.counters["replacements"] = static_cast<double>(replacements.size());
  const char* names[5] = {"scan_ms", "build_ms", "apply_ms", "save_ms", "close_ms"};
  for (int i = 0; i < 5; ++i) {
    state.counters[names[i]] = benchmark::Counter(stage[i], benchmark::Counter::kAvgIterations);
  }
  std::remove(out.c_str());
  standin::ResetHost();
}
BENCHMARK(BM_ProtectAllAndSave)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
