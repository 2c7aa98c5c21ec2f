#include "ui/UiTest.h"

#include <chrono>
#include <cstdlib>

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

void UiTest::SetUp() {
  standin::ResetHost();
  ASSERT_NE(standin::LoadPlugin(&vm::PlugInMain, nullptr), nullptr);
}

void UiTest::TearDown() {
  if (HWND dialog = vm::MainDialogWindow()) DestroyWindow(dialog);
  PumpMessages(0);
  EXPECT_EQ(vm::MainDialogWindow(), nullptr);
  EXPECT_THAT(standin::Tracker().Outstanding(), testing::IsEmpty());
  EXPECT_THAT(standin::Tracker().Faults(), testing::IsEmpty());
  standin::ResetHost();
}

}  // namespace uitest
