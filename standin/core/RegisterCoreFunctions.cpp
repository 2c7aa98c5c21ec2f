#include "core/CoreParts.h"
#include "core/Registration.h"

namespace standin {

void RegisterCoreFunctions(FunctionTable& table) {
  RegisterServiceFunctions(table);
  RegisterParseFunctions(table);
  RegisterMessageFunctions(table);
  RegisterApplicationFunctions(table);
  RegisterRibbonFunctions(table);
}

}  // namespace standin
