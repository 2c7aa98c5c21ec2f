// Printing what the command line finds beyond the module's page text: occurrences outside the
// page content and pages that are images without text.
#pragma once

#include <string>
#include <vector>

#include "OutsideText.h"

namespace cli {

// One line per occurrence: JSON with where, page (when on a page), object, key, label (when
// known), category, start, length and text; or tab-separated plain text.
void PrintOutsideHits(const docscan::OutsideScan& scan, bool json);
// One line per page: {"where":"image","page":N} or "N<TAB>image".
void PrintImagePages(const std::vector<int>& pages, bool json);
// "0, 3, 7"
std::string PageList(const std::vector<int>& pages);
// The message of exit status 3 for image pages, without the command's prefix.
std::string ImagePagesMessage(const std::vector<int>& pages);

}  // namespace cli
