// The main dialog: a modeless window owned by the host's main window (at most one per process).
#pragma once

#include <windows.h>

#include <string>

#include "HostAbi.h"
#include "ui/DialogState.h"

namespace vm {

// Opens the dialog, or brings the open one to the foreground.
void OpenMainDialog(HWND owner);
// The open main dialog; null when none.
HWND MainDialogWindow();
// Ends the active search: frames removed, list emptied, "찾기(&F)" and the plain caption back.
void ResetSearch(HWND dialog, PiDialogState* state);
// The host's message box (host 30:3) with the dialog as owner; the button chosen.
int32_t ShowMessage(HWND owner, const std::u16string& text, const std::u16string& caption, int32_t flags);

}  // namespace vm
