// What the interface tests share: GoogleTest on winelib, the window driver (ui/WindowDriver.h),
// and a fixture with a fresh stand-in host and the module loaded.
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

#include "ui/WindowDriver.h"

namespace uitest {

// The DPI this run's Wine prefix is set to (the runner passes it in VM_TEST_DPI); 96 if unset.
int PrefixDpi();

// A fresh stand-in host with the module loaded (PrepareHost runs before the load); checks after
// each test that no dialog is left open and that every host object the module made was released.
class UiTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  virtual void PrepareHost() {}
};

}  // namespace uitest
