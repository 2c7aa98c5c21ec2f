// The function table of the Windows host program: the stand-in host's functions that need no
// PDF engine (small objects, message boxes, ribbon, main window, module images), and one open
// document without pages, enough for the ribbon button and the dialogs.
#include "HostFunctions.h"

#include "core/CoreParts.h"
#include "core/Registration.h"
#include "win/WindowParts.h"

namespace winhost {

namespace {

char g_document = 0;  // its address is the document's handle
bool g_documentOpen = true;

int32_t VM_CALL DocumentCount() { return g_documentOpen ? 1 : 0; }
HostHandle VM_CALL DocumentAt(int32_t index) { return g_documentOpen && index == 0 ? &g_document : nullptr; }
HostHandle VM_CALL ActiveDocument() { return g_documentOpen ? &g_document : nullptr; }

}  // namespace

HostHandle OpenDocument() { return g_documentOpen ? &g_document : nullptr; }
void SetDocumentOpen(bool open) { g_documentOpen = open; }

}  // namespace winhost

namespace standin {

FunctionTable& Table() {
  static FunctionTable* table = [] {
    auto* t = new FunctionTable;
    RegisterServiceFunctions(*t);
    RegisterMessageFunctions(*t);
    RegisterRibbonFunctions(*t);
    RegisterWindowFunctions(*t);
    t->Implement<20, 22>(&winhost::DocumentCount);
    t->Implement<20, 23>(&winhost::DocumentAt);
    t->Implement<20, 24>(&winhost::ActiveDocument);
    return t;
  }();
  return *table;
}

}  // namespace standin
