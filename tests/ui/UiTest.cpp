#include "ui/UiTest.h"

#include <chrono>
#include <cstdlib>
#include <deque>

#include "core/Application.h"
#include "core/StandinHost.h"
#include "host/PlugIn.h"
#include "ui/MainDialog.h"
#include "ui/WideText.h"

namespace uitest {

void PumpMessages(int milliseconds, const std::function<bool()>& done) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!(done && done())) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
      if (done && done()) return;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<long long>(left.count(), 20)),
                              QS_ALLINPUT);
  }
}

int PrefixDpi() {
  const char* dpi = std::getenv("VM_TEST_DPI");
  return dpi ? std::atoi(dpi) : 96;
}

std::u16string TextOf(HWND window) { return vm::WindowText(window); }

RECT ChildRect(HWND child) {
  RECT rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

SIZE ClientSize(HWND window) {
  RECT rect;
  GetClientRect(window, &rect);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

namespace {

std::deque<std::function<void()>> g_steps;
UINT_PTR g_stepTimer = 0;

void CALLBACK RunNextStep(HWND, UINT, UINT_PTR, DWORD) {
  if (g_steps.empty()) {
    KillTimer(nullptr, g_stepTimer);
    g_stepTimer = 0;
    return;
  }
  std::function<void()> step = std::move(g_steps.front());
  g_steps.pop_front();
  step();
}

INPUT KeyInput(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

}  // namespace

void ScheduleSteps(std::vector<std::function<void()>> steps) {
  for (auto& step : steps) g_steps.push_back(std::move(step));
  if (!g_stepTimer) g_stepTimer = SetTimer(nullptr, 0, 30, &RunNextStep);
}

bool StepsDone() { return g_steps.empty(); }

void PressKey(WORD key, Modifier modifier) {
  std::vector<INPUT> inputs;
  WORD held = modifier == Modifier::Shift ? VK_SHIFT : modifier == Modifier::Alt ? VK_MENU : 0;
  if (held) inputs.push_back(KeyInput(held, false));
  inputs.push_back(KeyInput(key, false));
  inputs.push_back(KeyInput(key, true));
  if (held) inputs.push_back(KeyInput(held, true));
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void UiTest::SetUp() {
  standin::ResetHost();
  standin::SetMessageBoxEcho(true);
  PrepareHost();
  ASSERT_NE(standin::LoadPlugin(&vm::PlugInMain, nullptr), nullptr);
}

void UiTest::TearDown() {
  g_steps.clear();
  if (HWND dialog = vm::MainDialogWindow()) DestroyWindow(dialog);
  PumpMessages(0);
  EXPECT_EQ(vm::MainDialogWindow(), nullptr);
  EXPECT_THAT(standin::Tracker().Outstanding(), testing::IsEmpty());
  EXPECT_THAT(standin::Tracker().Faults(), testing::IsEmpty());
  standin::ResetHost();
}

}  // namespace uitest
