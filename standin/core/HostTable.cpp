// The stand-in host's table with every host function it implements. (The Windows host program
// defines its own Table() with the part that needs no PDF engine.)
#include "core/Registration.h"

namespace standin {

FunctionTable& Table() {
  static FunctionTable* table = [] {
    auto* t = new FunctionTable;
    RegisterCoreFunctions(*t);
    RegisterPdfFunctions(*t);
    RegisterObjectFunctions(*t);
    RegisterWindowFunctions(*t);
    InstallViewWindows();
    return t;
  }();
  return *table;
}

}  // namespace standin
