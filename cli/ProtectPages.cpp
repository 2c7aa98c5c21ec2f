#include "ProtectPages.h"

#include <cstddef>

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
  vm::ScanDocument(document, options.flags, run.matches, &run.report, [&](int32_t page, size_t first) {
    standin::ReleaseObjectsNowAndThen(document, page);
    if (originalPages) originalPages->Add(page, checker::ReadPageText(document, page));
    if (first == run.matches.size()) return;
    const vm::PiMatchList pageMatches(run.matches.begin() + static_cast<std::ptrdiff_t>(first), run.matches.end());
    vm::PiMatchList pageReplacements;
    vm::BuildReplacements(document, options, pageMatches, pageReplacements);
    if (pageReplacements.empty()) return;
    if (vm::ApplyReplacements(document, pageReplacements, options.protection[0])) run.applied = true;
    // No undo here: the step's copies of the page's old and new content are let go at once, so
    // that they do not add up over a long document.
    standin::ForgetUndoSteps(document);
    run.replacements.insert(run.replacements.end(), pageReplacements.begin(), pageReplacements.end());
  });
  return run;
}

}  // namespace cli
