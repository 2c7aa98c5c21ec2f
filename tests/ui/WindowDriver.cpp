#include "ui/WindowDriver.h"

#include <algorithm>
#include <chrono>
#include <deque>

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

std::u16string TextOf(HWND window) {
  std::u16string text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, u'\0');
  int length = GetWindowTextW(window, reinterpret_cast<WCHAR*>(text.data()), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(std::max(length, 0)));
  return text;
}

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

void ClearSteps() { g_steps.clear(); }

void PressKey(WORD key, Modifier modifier) {
  std::vector<INPUT> inputs;
  WORD held = modifier == Modifier::Shift ? VK_SHIFT : modifier == Modifier::Alt ? VK_MENU : 0;
  if (held) inputs.push_back(KeyInput(held, false));
  inputs.push_back(KeyInput(key, false));
  inputs.push_back(KeyInput(key, true));
  if (held) inputs.push_back(KeyInput(held, true));
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace uitest
