#include "ui/UiTest.h"

#include <cstdlib>

#include "core/Application.h"
#include "core/StandinHost.h"
#include "host/PlugIn.h"
#include "ui/MainDialog.h"

namespace uitest {

int PrefixDpi() {
  const char* dpi = std::getenv("VM_TEST_DPI");
  return dpi ? std::atoi(dpi) : 96;
}

void UiTest::SetUp() {
  standin::ResetHost();
  standin::SetMessageBoxEcho(true);
  PrepareHost();
  ASSERT_NE(standin::LoadPlugin(&vm::PlugInMain, nullptr), nullptr);
}

void UiTest::TearDown() {
  ClearSteps();
  if (HWND dialog = vm::MainDialogWindow()) DestroyWindow(dialog);
  PumpMessages(0);
  EXPECT_EQ(vm::MainDialogWindow(), nullptr);
  EXPECT_THAT(standin::Tracker().Outstanding(), testing::IsEmpty());
  EXPECT_THAT(standin::Tracker().Faults(), testing::IsEmpty());
  standin::ResetHost();
}

}  // namespace uitest
