#include "CorpusSupport.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "Utf8.h"
#include "core/Application.h"
#include "detect/ScanDocument.h"
#include "host/PlugIn.h"
#include "mask/FormatChoiceTable.h"
#include "mask/RedactionWriter.h"
#include "mask/Replacements.h"
#include "pdf/FlattenForms.h"

namespace e2e {

std::string DataPath(const std::string& file) { return std::string(VM_TEST_DATA_DIR) + "/" + file; }

std::vector<std::string> SampleFiles() {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(VM_TEST_DATA_DIR)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() == ".pdf" && name != "bench-200.pdf") files.push_back(name);
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<ExpectedOccurrence> ExpectedOccurrences(const std::string& file) {
  std::vector<ExpectedOccurrence> result;
  std::ifstream in(DataPath("expected.tsv"));
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::stringstream fields(line);
    ExpectedOccurrence e;
    std::string page;
    std::getline(fields, e.file, '\t');
    std::getline(fields, page, '\t');
    std::getline(fields, e.category, '\t');
    std::getline(fields, e.text);
    if (e.file != file) continue;
    e.page = std::stoi(page) - 1;
    std::string squeezed;
    for (char c : e.text)
      if (c != ' ') squeezed += c;
    e.text = squeezed;
    result.push_back(e);
  }
  return result;
}

std::string SqueezedUtf8(std::u16string_view text) {
  std::u16string kept;
  for (char16_t c : text)
    if (c != u' ' && c != u'\n' && c != u'\t' && c != u'\r' && c != 0xA0 && c != 0x3000) kept += c;
  return common::Utf16ToUtf8(kept);
}

vm::PiOptions AllCategories(const std::vector<std::u16string>& templatesByCategory) {
  vm::PiOptions options;
  options.flags.fill(true);
  options.protection = u"******";
  for (int c = 0; c < vm::kCategoryCount; ++c)
    options.formats[c] = c < static_cast<int>(templatesByCategory.size())
                             ? templatesByCategory[c]
                             : std::u16string(vm::FormatChoiceTemplate(c, 0));
  return options;
}

vm::PiOptions PartialFormats() {
  return AllCategories({u"NNN-****-NNNN", u"NNNNNN-N******", u"NNNNNN-N******", u"T**@TT.TT.TT",
                        u"NNN-**-****-NNN", u"NNNN-****-****-NNNN", u"NNN.*.*.N", u"NNNN-**-NN",
                        u""});
}

HostHandle OpenFresh(const std::string& path) {
  standin::ResetHost();
  std::string error;
  EXPECT_NE(standin::LoadPlugin(&vm::PlugInMain, &error), nullptr) << error;
  HostHandle document = standin::OpenHostDocument(path, &error);
  EXPECT_NE(document, nullptr) << error;
  return document;
}

ProtectRun Protect(const std::string& path, const vm::PiOptions& options) {
  ProtectRun run;
  run.document = OpenFresh(path);
  if (!run.document) return run;
  standin::pdf::FlattenTextForms(*standin::PdfDocumentOf(run.document));
  vm::ScanDocument(run.document, options.flags, run.matches, &run.report);
  vm::BuildReplacements(run.document, options, run.matches, run.replacements);
  run.applied = vm::ApplyReplacements(run.document, run.replacements, options.protection[0]);
  return run;
}

std::string TempPath(const std::string& name) {
  // One folder per test process: tests run in parallel (and other checkouts' tests beside
  // them) write files of the same names.
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("veilmark-e2e-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

bool FailsWith(const checker::CheckResult& check, const std::string& part) {
  for (const std::string& failure : check.failures)
    if (failure.find(part) != std::string::npos) return true;
  return false;
}

}  // namespace e2e
