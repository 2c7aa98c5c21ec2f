#include <gtest/gtest.h>

#include "host/PlugIn.h"

TEST(PlugInMain, HandsBackVersionAndSetup) {
  uint32_t version = 0;
  void* setup = nullptr;
  EXPECT_EQ(vm::PlugInMain(&version, &setup), 1);
  EXPECT_EQ(version, 0x10000u);
  EXPECT_EQ(setup, reinterpret_cast<void*>(&vm::HostSetup));
}
