// Placeholder bodies until find, navigation and protect are built.
#include "ui/Commands.h"

namespace vm {

void FindNext(HWND) {}
void ShowCurrentMatch(HWND, PiDialogState*) {}
void RemoveMatchFrames(PiDialogState* state) {
  if (state) state->frames.clear();
}
void Protect(HWND, bool) {}

}  // namespace vm
