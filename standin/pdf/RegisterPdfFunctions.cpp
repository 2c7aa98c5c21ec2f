#include "core/Registration.h"

namespace standin {

void RegisterPdfFunctions(FunctionTable&) {}

}  // namespace standin
