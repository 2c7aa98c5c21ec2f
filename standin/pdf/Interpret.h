// Interpretation of a page's content into page objects.
#pragma once

#include <memory>
#include <vector>

#include "pdf/PageObject.h"

namespace standin::pdf {

class Page;

// The page-level objects of the page's content, in drawing order, each with its anchor (the
// index of the drawing operator). Damaged content yields the objects drawn before the damage, and
// *complete is false.
std::vector<std::unique_ptr<PageObject>> InterpretPage(Page& page, bool* complete);

}  // namespace standin::pdf
