#include "core/Registration.h"

namespace standin {

void RegisterObjectFunctions(FunctionTable&) {}

}  // namespace standin
