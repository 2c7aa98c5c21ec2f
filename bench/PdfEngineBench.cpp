// The PDF engine on the 200-page Korean sample: open, interpret every page and build its text
// page; next to it, the same file through `mutool draw -F txt` and `pdftotext`, so that one run
// shows all three.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "pdf/Document.h"
#include "pdf/Page.h"
#include "pdf/TextPage.h"

namespace {

const std::string kSample = std::string(VM_TEST_DATA_DIR) + "/bench-200.pdf";

void EngineTextPages(benchmark::State& state) {
  size_t characters = 0;
  for (auto _ : state) {
    std::string error;
    auto document = standin::pdf::OpenDocument(kSample, &error);
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

void Command(benchmark::State& state, const std::string& command) {
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError(("failed: " + command).c_str());
      return;
    }
  }
}

void MutoolText(benchmark::State& state) {
  Command(state, "mutool draw -q -F txt -o /dev/null '" + kSample + "' 2>/dev/null");
}
BENCHMARK(MutoolText)->Unit(benchmark::kMillisecond)->UseRealTime();

void Pdftotext(benchmark::State& state) {
  Command(state, "pdftotext -q '" + kSample + "' /dev/null");
}
BENCHMARK(Pdftotext)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
