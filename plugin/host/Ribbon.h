// The ribbon command: function 5 of the UiCallbackRecord.
#pragma once

#include "HostAbi.h"

namespace vm {

// Adds the module's panel and button to the host's ribbon; 0 when a step failed.
int32_t VM_CALL BuildRibbon();

}  // namespace vm
