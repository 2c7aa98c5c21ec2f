// The display-format dialog: a modal window with its own message loop, choosing one display
// format per category; "설정(&D)" stores all choices.
#pragma once

#include <windows.h>

namespace vm {

// Runs the dialog with `owner` disabled; returns when it has ended.
void OpenFormatDialog(HWND owner);

}  // namespace vm
