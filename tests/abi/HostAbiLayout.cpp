// Compiled for 32-bit Windows only: HostAbi.h asserts the host's record layouts there.
#include "HostAbi.h"

static_assert(sizeof(void*) == 4, "this check must be compiled for 32-bit Windows");
