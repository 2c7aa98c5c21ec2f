#include "host/Ribbon.h"

namespace vm {

int32_t VM_CALL BuildRibbon() { return 1; }  // the ribbon command is not built yet

}  // namespace vm
