#include "ui/FormatDialog.h"

namespace vm {

void OpenFormatDialog(HWND) {}

}  // namespace vm
