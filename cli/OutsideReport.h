// Printing what the command line finds beyond the module's page text: occurrences outside the
// page content and pages that are images without text.
#pragma once

#include <string>
#include <vector>

#include "OutsideText.h"

namespace cli {

// One line per occurrence: JSON with where, page (when on a page), object, key, label (when
// known), category, start, length and text; or tab-separated plain text. In a batch (`file`
// given) each line starts with the file, as the page occurrences' lines do.
void PrintOutsideHits(const docscan::OutsideScan& scan, bool json, const std::string* file = nullptr);
// One line per page: {"where":"image","page":N} or "N<TAB>image" (after the file in a batch).
void PrintImagePages(const std::vector<int>& pages, bool json, const std::string* file = nullptr);
// "0, 3, 7"
std::string PageList(const std::vector<int>& pages);
// The message of exit status 3 for image pages, without the command's prefix.
std::string ImagePagesMessage(const std::vector<int>& pages);

}  // namespace cli
