#include "core/Registration.h"
#include "objects/ObjectFunctions.h"

namespace standin {

void RegisterObjectFunctions(FunctionTable& table) {
  objects::RegisterObjectHostFunctions(table);
  objects::RegisterAnnotationHostFunctions(table);
}

}  // namespace standin
