#include "pdf/Regenerate.h"

#include "pdf/Page.h"

namespace standin::pdf {

bool RegeneratePage(Page&, PageObject*) { return false; }

}  // namespace standin::pdf
