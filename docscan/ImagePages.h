// Pages that cannot be searched by their text: an image (a scan, a photographed card) covers a
// good part of the page and no character is drawn over it.
#pragma once

#include <vector>

namespace standin::pdf {
struct Document;
}

namespace docscan {

// Images smaller than this share of the page (logos, rules, icons) are not counted.
constexpr float kImageShareOfPage = 0.1f;

// The pages (0-based, ascending) with at least one image of kImageShareOfPage of the page or
// more under which no character of the page's content lies (visible or not: an OCR layer drawn
// in render mode 3 counts as text). A page that cannot be run is not listed.
std::vector<int> PagesWithImagesWithoutText(standin::pdf::Document& document);

}  // namespace docscan
