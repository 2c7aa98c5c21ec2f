// What the interface tests share: GoogleTest on winelib, a message pump standing in for the
// host's loop, window queries, and a fixture with a fresh stand-in host and the module loaded.
#pragma once

#include <windows.h>

// GoogleTest would take winelib for Windows and include headers it does not have.
#pragma push_macro("_WIN32")
#pragma push_macro("_WIN64")
#undef _WIN32
#undef _WIN64
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#pragma pop_macro("_WIN64")
#pragma pop_macro("_WIN32")

#include <functional>
#include <string>
#include <vector>

namespace uitest {

// Runs the thread's message loop as the host does (PeekMessageW with PM_REMOVE, so the module's
// WH_GETMESSAGE hook sees every message) for `milliseconds`, or until `done` holds.
void PumpMessages(int milliseconds, const std::function<bool()>& done = {});

// The DPI this run's Wine prefix is set to (the runner passes it in VM_TEST_DPI); 96 if unset.
int PrefixDpi();

std::u16string TextOf(HWND window);
// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);
SIZE ClientSize(HWND window);

// Runs the steps one per timer tick from whatever message loop is running, so also inside a
// dialog's own modal loop. StepsDone() tells when the last has run.
void ScheduleSteps(std::vector<std::function<void()>> steps);
bool StepsDone();

// Keyboard input as the user types it (SendInput): the key, with Shift or Alt held. Queued for
// whichever loop runs next, so it also works from a step inside a dialog's modal loop.
enum class Modifier { None, Shift, Alt };
void PressKey(WORD key, Modifier modifier = Modifier::None);

// A fresh stand-in host with the module loaded (PrepareHost runs before the load); checks after
// each test that no dialog is left open and that every host object the module made was released.
class UiTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  virtual void PrepareHost() {}
};

}  // namespace uitest
