// Personal information in the texts outside the page content: found with the module's own
// patterns and validation, and masked with its display formats.
#pragma once

#include <string>
#include <vector>

#include "TextSources.h"
#include "detect/PiCategory.h"
#include "ui/PiOptions.h"

namespace docscan {

struct OutsideHit {
  int source = 0;     // index in the source list
  int32_t category = 0;
  int32_t start = 0;  // in the source's text, UTF-16 code units
  int32_t length = 0;
  std::u16string text;
};

struct OutsideScan {
  std::vector<TextSource> sources;
  std::vector<OutsideHit> hits;  // by source, then by start
  bool complete = true;          // false when the regex engine gave up on some text
};

// The XML with its markup (tags, attribute names, namespace declarations, processing
// instructions, comments) turned into spaces, so that only element text and attribute values
// are searched and offsets stay those of the XML.
std::u16string XmlWithoutMarkup(std::u16string_view xml);

// Collects the document's text sources and searches each for the flagged categories.
OutsideScan ScanOutsideText(standin::pdf::Document& document, const vm::PiCategoryFlags& flags,
                            const BetweenPages& betweenPages = {});

// The source's text with the masked characters of its hits replaced by the protection
// character, each hit masked by its category's display format.
std::u16string MaskedText(const OutsideScan& scan, int source, const vm::PiOptions& options);

}  // namespace docscan
