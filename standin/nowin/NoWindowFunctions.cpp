// A stand-in host without a window system keeps the core's window-less host functions.
#include "core/Registration.h"

namespace standin {

void RegisterWindowFunctions(FunctionTable&) {}

}  // namespace standin
