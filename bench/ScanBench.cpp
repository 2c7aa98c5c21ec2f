// The document scan over the 200-page Korean sample through the stand-in host, beside
// pdftotext on the same file. Each scan iteration opens the file, scans every page with all
// nine categories and closes it, as pdftotext reads, lays out and writes every page once.
// The split benchmarks show where the time goes: opening, page text (text pages only), and
// detection on the already extracted page texts.
#include <benchmark/benchmark.h>

#include "ReferenceTools.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "core/Application.h"
#include "core/StandinHost.h"
#include "detect/Detect.h"
#include "detect/Patterns.h"
#include "detect/ScanDocument.h"
#include "host/HostCall.h"
#include "host/PlugIn.h"

namespace {


vm::PiCategoryFlags AllFlags() {
  vm::PiCategoryFlags flags;
  flags.fill(true);
  return flags;
}

bool LoadModule(benchmark::State& state) {
  standin::ResetHost();
  std::string error;
  if (!standin::LoadPlugin(&vm::PlugInMain, &error)) {
    state.SkipWithError(("cannot load the module: " + error).c_str());
    return false;
  }
  return true;
}

HostHandle Open(benchmark::State& state) {
  std::string error;
  HostHandle document = standin::OpenHostDocument(bench::kSample, &error);
  if (!document) state.SkipWithError(("cannot open the sample: " + error).c_str());
  return document;
}

BENCHMARK(bench::Pdftotext)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScanDocument(benchmark::State& state) {
  if (!LoadModule(state)) return;
  vm::PiMatchList list;
  for (auto _ : state) {
    HostHandle document = Open(state);
    if (!document) break;
    vm::ScanReport report;
    vm::ScanDocument(document, AllFlags(), list, &report);
    standin::CloseHostDocument(document);
    standin::Table().ClearLog();
    if (!report.Complete()) state.SkipWithError("the sample was not searched in full");
  }
  state.counters["matches"] = static_cast<double>(list.size());
  standin::ResetHost();
}
BENCHMARK(BM_ScanDocument)->Unit(benchmark::kMillisecond)->UseRealTime();

// Opening only: MuPDF loads the file; pages are interpreted on first use.
void BM_OpenOnly(benchmark::State& state) {
  if (!LoadModule(state)) return;
  for (auto _ : state) {
    HostHandle document = Open(state);
    if (!document) break;
    standin::CloseHostDocument(document);
  }
  standin::ResetHost();
}
BENCHMARK(BM_OpenOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

// Page texts without detection: open, and per page the host calls of the scan up to the text.
std::vector<std::u16string> PageTexts(HostHandle document) {
  std::vector<std::u16string> texts;
  HostHandle pdf = vm::Host<26, 4>(document);
  HostHandle view = vm::Host<26, 24>(document);
  int32_t pages = vm::Host<34, 10>(pdf);
  for (int32_t p = 0; p < pages; ++p) {
    HostHandle page = vm::Host<32, 2>(vm::Host<31, 2>(view, p));
    HostHandle textPage = vm::Host<120, 0>(page, 0);
    if (!textPage) continue;
    if (vm::Host<120, 3>(textPage) == 0) vm::Host<120, 2>(textPage);
    int32_t count = vm::Host<120, 4>(textPage);
    HostHandle string = vm::Host<18, 0>();
    vm::Host<120, 16>(textPage, 0, count, &string);
    const char16_t* buffer = vm::Host<18, 42>(string);
    texts.emplace_back(buffer ? buffer : u"");
    vm::Host<18, 3>(string);
    vm::Host<120, 1>(textPage);
  }
  return texts;
}

void BM_OpenAndPageTexts(benchmark::State& state) {
  if (!LoadModule(state)) return;
  for (auto _ : state) {
    HostHandle document = Open(state);
    if (!document) break;
    benchmark::DoNotOptimize(PageTexts(document));
    standin::CloseHostDocument(document);
    standin::Table().ClearLog();
  }
  standin::ResetHost();
}
BENCHMARK(BM_OpenAndPageTexts)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DetectionOnPageTexts(benchmark::State& state) {
  if (!LoadModule(state)) return;
  HostHandle document = Open(state);
  if (!document) return;
  const std::vector<std::u16string> texts = PageTexts(document);
  standin::CloseHostDocument(document);
  for (auto _ : state) {
    vm::PiPatternList patterns;
    vm::BuildPatternSet(AllFlags(), patterns);
    for (const std::u16string& text : texts) {
      benchmark::DoNotOptimize(vm::DetectInPageText(patterns, text));
    }
  }
  standin::ResetHost();
}
BENCHMARK(BM_DetectionOnPageTexts)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
