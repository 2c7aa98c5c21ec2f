// Writing occurrence texts: JSON strings and one-line plain text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "HostAbi.h"

namespace cli {

// A JSON string literal of UTF-16 text; control characters and lone surrogates are escaped so
// the exact text survives.
std::string JsonString(std::u16string_view text);
// UTF-8 with line breaks and tabs escaped, so one occurrence stays on one line.
std::string PlainText(std::u16string_view text);

// What an occurrence's line starts with: in a batch (a file given) the file's name, as the JSON
// member "file" or as the first tab-separated column; else "{" for JSON and nothing for text.
std::string LineStart(const std::string* file, bool json);

// An occurrence's rectangles: a JSON array of [x0,y0,x1,y1], or "x0 y0 x1 y1; ..." as text.
std::string FormatRects(const std::vector<HostBox>& rects, bool json);

}  // namespace cli
