// Protecting the texts outside the page content: text strings rewritten in place with their
// occurrences masked, link URIs masked, field values masked and their appearances drawn again,
// the XMP metadata masked, and embedded files that hold personal information removed.
#pragma once

#include <string>
#include <vector>

#include "OutsideText.h"

namespace docscan {

struct OutsideProtection {
  int textsMasked = 0;
  std::vector<std::string> removedAttachments;  // their names
  // Occurrences that stay in the file because the caller asked to keep attachments.
  std::vector<int> keptHits;
  // Texts of the occurrences masked or removed: none may be found in the saved file.
  std::vector<std::u16string> goneTexts;
};

// Rewrites the document (before it is saved). Attachments with an occurrence in their name,
// description or contents are removed, together with the annotations that show them, unless
// keepAttachments is set: then their names and descriptions are masked and their contents stay.
OutsideProtection ProtectOutsideText(standin::pdf::Document& document, const OutsideScan& scan,
                                     const vm::PiOptions& options, bool keepAttachments);

}  // namespace docscan
