// Rewriting a page's content from its object list.
#pragma once

namespace standin::pdf {

class Page;
struct PageObject;

// Writes a new Contents stream for the page from the list starting at `first`: the operators
// of unchanged objects and everything that is not an object are kept, removed objects are left
// out, changed and new objects are written with the state they need. Fonts of new objects are
// added to a copy of the page's resources. False on failure (the page is left unchanged).
bool RegeneratePage(Page& page, PageObject* first);

}  // namespace standin::pdf
