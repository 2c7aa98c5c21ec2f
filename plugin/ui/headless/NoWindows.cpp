// A build without a window system: the ribbon command opens nothing, and there are no images.
#include "host/UiEntry.h"

namespace vm {

void OpenMainDialogForHost(HostWindow) {}
void* ModuleResourceHandle() { return nullptr; }

}  // namespace vm
