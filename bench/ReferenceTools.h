// The 200-page sample and the reference tools every benchmark is measured beside, in the same
// run: pdftotext and mutool's text output.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace bench {

inline const std::string kSample = std::string(VM_TEST_DATA_DIR) + "/bench-200.pdf";

inline void RunCommand(benchmark::State& state, const std::string& command) {
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError(("failed (poppler-utils and mupdf-tools installed?): " + command).c_str());
      return;
    }
  }
}

inline void Pdftotext(benchmark::State& state) {
  RunCommand(state, "pdftotext -q '" + kSample + "' /dev/null");
}

inline void MutoolText(benchmark::State& state) {
  RunCommand(state, "mutool draw -q -F txt -o /dev/null '" + kSample + "' 2>/dev/null");
}

}  // namespace bench
