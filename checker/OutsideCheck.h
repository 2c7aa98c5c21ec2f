// Verifies that occurrences found outside the page content are gone from a protected file:
// from every text source (annotations, links, fields and their appearances, metadata,
// bookmarks, attachments) and from every string and stream of the file.
#pragma once

#include <string>
#include <vector>

namespace checker {

// One failure line per text still found; `texts` shorter than four characters without white
// space are not looked for in raw strings and streams (they recur by chance).
std::vector<std::string> CheckOutsideTexts(const std::string& path, const std::vector<std::u16string>& texts);

}  // namespace checker
