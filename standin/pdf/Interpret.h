// Interpretation of a page's content into page objects.
#pragma once

#include <memory>
#include <vector>

#include "pdf/PageObject.h"

namespace standin::pdf {

class Page;

// A marked-content sequence of the page's own content (BMC or BDC to its EMC): the anchors of
// the drawing operators inside it are [firstAnchor, endAnchor).
struct MarkedSpan {
  int firstAnchor = 0;
  int endAnchor = 0;
};

struct Interpretation {
  // The page-level objects, in drawing order, each with its anchor (the index of the drawing
  // operator).
  std::vector<std::unique_ptr<PageObject>> objects;
  // Damaged content yields the objects drawn before the damage, and complete is false.
  bool complete = false;
  // MuPDF met content or a font it could not read and went on without it: the objects may lack
  // text that other readers find.
  bool textLost = false;
  std::vector<MarkedSpan> marked;  // in the order of their BMC/BDC operators
};

Interpretation InterpretPage(Page& page);

}  // namespace standin::pdf
