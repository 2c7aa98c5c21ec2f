// The commands of the main dialog that work on the document: find and navigation with
// temporary frames, and protecting one or all occurrences. Each reads the dialog's state from
// its user-data slot and does nothing without one.
#pragma once

#include <windows.h>

#include "ui/DialogState.h"

namespace vm {

void FindNext(HWND dialog);                                  // command 2301
void ShowCurrentMatch(HWND dialog, PiDialogState* state);    // also timer 1 and Protect
void RemoveMatchFrames(PiDialogState* state);                // null state: nothing
void Protect(HWND dialog, bool all);                         // commands 2302 (one), 2303 (all)

}  // namespace vm
