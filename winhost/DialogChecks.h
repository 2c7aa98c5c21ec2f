// The module's dialogs in the Windows host program, worked with real window messages.
#pragma once

namespace winhost {

// The ribbon click opens the main dialog: its window and controls at `dpi`, the initial ticks
// and selection, ticking categories and choosing the protection character.
void CheckMainDialog(int dpi);
// The display-format dialog from the main dialog's button: its window at `dpi`, choosing formats,
// "설정(&D)" storing all eight choices in the registry, "취소" storing nothing.
void CheckFormatDialog(int dpi);
// Closing: the close button, a second click while open, and the document watch.
void CheckClosing();

}  // namespace winhost
