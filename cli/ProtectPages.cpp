#include "ProtectPages.h"

#include "HostSession.h"
#include "HostTextPage.h"
#include "PageTextStore.h"
#include "core/Application.h"
#include "mask/RedactionWriter.h"
#include "mask/Replacements.h"

namespace cli {

ProtectedPages ScanAndProtect(HostHandle document, const vm::PiOptions& options,
                              checker::PageTextStore* originalPages) {
  ProtectedPages run;
  run.found = std::make_shared<docscan::OccurrenceStore>();
  // Holds one page's records at a time: each page's go to the store once it is protected.
  vm::PiMatchList matches;
  vm::ScanDocument(document, options.flags, matches, &run.report, [&](int32_t page, size_t) {
    standin::ReleaseObjectsNowAndThen(document, page);
    if (originalPages) originalPages->Add(page, checker::ReadPageText(document, page));
    if (matches.empty()) return;
    vm::PiMatchList replacements;
    vm::BuildReplacements(document, options, matches, replacements);
    if (!replacements.empty()) {
      if (vm::ApplyReplacements(document, replacements, options.protection[0])) run.applied = true;
      // No undo here: the step's copies of the page's old and new content are let go at once, so
      // that they do not add up over a long document.
      standin::ForgetUndoSteps(document);
    }
    run.found->Add(page, matches, replacements);
    matches.clear();
  });
  // Records of a page the scan did not finish (it ended early) are still in the list.
  if (!matches.empty()) run.found->Add(matches.front().pageIndex, matches, {});
  return run;
}

}  // namespace cli
