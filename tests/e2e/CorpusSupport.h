// The sample corpus of tests/data and the whole protect pipeline run on it in-process.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "HostAbi.h"
#include "ProtectionCheck.h"
#include "detect/PiMatch.h"
#include "detect/ScanDocument.h"
#include "ui/PiOptions.h"

namespace e2e {

struct ExpectedOccurrence {
  std::string file;
  int page = 0;           // 0-based
  std::string category;   // phone rrn foreign email account card ip birth address
  std::string text;       // white space removed
};

std::string DataPath(const std::string& file);
// The sample PDFs (file names), without the 200-page benchmark document.
std::vector<std::string> SampleFiles();
std::vector<ExpectedOccurrence> ExpectedOccurrences(const std::string& file);

// UTF-8 of UTF-16 without white space, for comparing texts across extraction tools.
std::string SqueezedUtf8(std::u16string_view text);

// Options with every category flagged, protection "******" and each category's template.
vm::PiOptions AllCategories(const std::vector<std::u16string>& templatesByCategory = {});
// The partial formats a privacy officer typically picks (something of each occurrence stays
// readable).
vm::PiOptions PartialFormats();

struct ProtectRun {
  HostHandle document = nullptr;
  vm::PiMatchList matches;
  vm::PiMatchList replacements;
  vm::ScanReport report;
  bool applied = false;

  // The two lists by page, as the check takes them.
  std::shared_ptr<const docscan::OccurrenceStore> Found() const {
    return docscan::OccurrenceStore::FromLists(matches, replacements);
  }
};

// Loads the module into a fresh stand-in host and opens the file.
HostHandle OpenFresh(const std::string& path);
// Form text moved into page content, then the module's scan, replacements and writing over the
// whole document, as its protect command does them (the command line runs the same steps page
// by page: ProtectPages.h).
ProtectRun Protect(const std::string& path, const vm::PiOptions& options);

std::string TempPath(const std::string& name);

// Whether one of the check's failures says `part`.
bool FailsWith(const checker::CheckResult& check, const std::string& part);

}  // namespace e2e
