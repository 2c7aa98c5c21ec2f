#include "core/Registration.h"
#include "win/WindowParts.h"

namespace standin {

void RegisterWindowFunctions(FunctionTable& table) {
  RegisterMainWindowFunctions(table);
  RegisterImageFunctions(table);
}

}  // namespace standin
