// The module's scan and protection run page by page: each page is protected right after it was
// scanned, while the host still holds its object model, instead of reading every page a second
// time after the whole document was scanned.
#pragma once

#include <memory>

#include "HostAbi.h"
#include "OccurrenceStore.h"
#include "detect/PiMatch.h"
#include "detect/ScanDocument.h"
#include "ui/PiOptions.h"

namespace checker {
class PageTextStore;
}

namespace cli {

struct ProtectedPages {
  // Every occurrence found and the masked runs, page by page, in a temporary file.
  std::shared_ptr<docscan::OccurrenceStore> found;
  vm::ScanReport report;
  bool applied = false;          // at least one page changed
};

// Scans the document for the options' categories and writes each page's replacements into it.
// When `originalPages` is given, each page's text is added to it before the page changes, for
// the check. The document keeps no undo steps.
ProtectedPages ScanAndProtect(HostHandle document, const vm::PiOptions& options,
                              checker::PageTextStore* originalPages);

}  // namespace cli
