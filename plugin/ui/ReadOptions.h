// The options of one find or protect, read from the main dialog and the stored formats.
#pragma once

#include <windows.h>

#include "ui/PiOptions.h"

namespace vm {

// Flags from check boxes 2101-2109, the protection string from radio buttons 2201-2203, and the
// display format of every category with a row in FormatChoiceTable (addresses stay empty).
PiOptions ReadOptions(HWND dialog);

}  // namespace vm
