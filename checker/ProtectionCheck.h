// Verifies a protected copy of a PDF against the occurrences it was protected from: nothing of
// a masked character can be got back, and everything else stayed where it was.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "OccurrenceStore.h"
#include "detect/PiCategory.h"

namespace checker {

class PageTextStore;

struct CheckInput {
  std::string originalPath;
  std::string protectedPath;
  // The occurrences found on the original and the masked runs written (page, start, count,
  // text, boxes); null: none.
  std::shared_ptr<const docscan::OccurrenceStore> found;
  char protectionByte = '*';
  // Occurrences found outside the page content and masked or removed there.
  std::vector<std::u16string> outsideTexts;
  // The original's page texts as read while protecting it (before any page was changed); null:
  // the check reads them from the original file.
  const PageTextStore* originalPages = nullptr;
  // The categories protected: the detection rules for them run on the text pdftotext extracts
  // from the copy.
  vm::PiCategoryFlags categories = {true, true, true, true, true, true, true, true, true};
  // pdftotext keeps every page it has read: it reads a copy of more pages than this a slice of
  // pages at a time (with a plain page tree; see PageTreeSlices.h).
  int pagesPerPdftotextRun = 500;
};

struct CheckResult {
  std::vector<std::string> failures;  // one line each, for a person
  int keptCharactersChecked = 0;
  int maskedCharactersChecked = 0;
  int pdftotextChecks = 0;            // occurrences compared with pdftotext's text

  bool Passed() const { return failures.empty(); }
};

// Opens the protected file (and the original, unless its page texts are given) in the stand-in
// host, closes them again, and checks:
// - the file is one full rewrite, and holds no object that nothing refers to;
// - no masked run's text is left in any stream of the file, referenced or not;
// - in the host's text page, no masked character remains at its place and every other
//   character of the original is still there, within 0.05 pt;
// - protection characters (or a black box) cover every masked run;
// - pdftotext finds no fully or partly masked occurrence in its original form; a comparison
//   that cannot be made (pdftotext missing or failing, or reading nothing from a page where the
//   host reads text, unless it reads nothing there in the original either) is a failure too;
// - the detection rules find no item that is not masked in the text pdftotext extracts;
// - the page count, taken by a walk of the page tree apart from the host's reader, is the same
//   in the original and the copy;
// - no occurrence found outside the page content is left in any text source, string or stream.
CheckResult CheckProtectedFile(const CheckInput& input);

}  // namespace checker
