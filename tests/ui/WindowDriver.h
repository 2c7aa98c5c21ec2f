// Driving windows as the host and the user do, for the interface tests and the Windows host
// program: a message loop standing in for the host's, steps run from inside any message loop
// (also a dialog's own), keyboard input, and window queries.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace uitest {

// Runs the thread's message loop as the host does (PeekMessageW with PM_REMOVE, so the module's
// WH_GETMESSAGE hook sees every message) for `milliseconds`, or until `done` holds.
void PumpMessages(int milliseconds, const std::function<bool()>& done = {});

std::u16string TextOf(HWND window);
// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);
SIZE ClientSize(HWND window);

// Runs the steps one per timer tick from whatever message loop is running, so also inside a
// dialog's own modal loop. StepsDone() tells when the last has run.
void ScheduleSteps(std::vector<std::function<void()>> steps);
bool StepsDone();
// Drops the steps not run yet.
void ClearSteps();

// Keyboard input as the user types it (SendInput): the key, with Shift or Alt held. Queued for
// whichever loop runs next, so it also works from a step inside a dialog's modal loop.
enum class Modifier { None, Shift, Alt };
void PressKey(WORD key, Modifier modifier = Modifier::None);

}  // namespace uitest
