#include "CorpusSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/Application.h"
#include "detect/ScanDocument.h"
#include "host/PlugIn.h"
#include "mask/FormatChoiceTable.h"
#include "mask/RedactionWriter.h"
#include "mask/Replacements.h"

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
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c == u' ' || c == u'\n' || c == u'\t' || c == u'\r' || c == 0xA0 || c == 0x3000) continue;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size())
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
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
  vm::ScanDocument(run.document, options.flags, run.matches);
  vm::BuildReplacements(run.document, options, run.matches, run.replacements);
  run.applied = vm::ApplyReplacements(run.document, run.replacements, options.protection[0]);
  return run;
}

std::string TempPath(const std::string& name) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "veilmark-e2e";
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

}  // namespace e2e
