#include "core/Registration.h"

namespace standin {

void RegisterCoreFunctions(FunctionTable&) {}

}  // namespace standin
