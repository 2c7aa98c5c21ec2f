#include "pdf/Interpret.h"

#include "pdf/Page.h"

namespace standin::pdf {

std::vector<std::unique_ptr<PageObject>> InterpretPage(Page&) { return {}; }

}  // namespace standin::pdf
