// The PDF engine on the 200-page Korean sample: open, interpret every page and build its text
// page; next to it, the same file through `mutool draw -F txt` and `pdftotext`, so that one run
// shows all three.
#include <benchmark/benchmark.h>

#include "ReferenceTools.h"

#include <cstdlib>
#include <string>

#include "pdf/Document.h"
#include "pdf/Page.h"
#include "pdf/TextPage.h"

namespace {


void EngineTextPages(benchmark::State& state) {
  size_t characters = 0;
  for (auto _ : state) {
    std::string error;
    auto document = standin::pdf::OpenDocument(bench::kSample, &error);
    if (!document) {
      state.SkipWithError(error.c_str());
      return;
    }
    characters = 0;
    for (int p = 0; p < standin::pdf::PageCount(*document); ++p) {
      standin::pdf::TextPage textPage;
      textPage.page = standin::pdf::GetPage(*document, p);
      standin::pdf::AnalyseTextPage(textPage);
      characters += textPage.chars.size();
    }
    benchmark::DoNotOptimize(characters);
  }
  state.counters["chars"] = static_cast<double>(characters);
}
BENCHMARK(EngineTextPages)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(bench::MutoolText)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(bench::Pdftotext)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
