// The handshake between the module and the stand-in host, with the module linked statically.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Application.h"
#include "core/StandinHost.h"
#include "host/HostCall.h"
#include "host/PlugIn.h"
#include "host/Ribbon.h"

namespace {

class PlugInTest : public testing::Test {
 protected:
  void SetUp() override {
    standin::ResetHost();
    vm::g_pluginState = {};
  }
  void TearDown() override { standin::ResetHost(); }
};

// Six registrations in order, then the UI record: its size, BuildRibbon in slot 5, null
// reserved slots and idle functions that may be called; lifecycle callbacks always answer 1.
TEST_F(PlugInTest, LoadRunsSetupAndHandshakeInOrder) {
  std::string error;
  const standin::LoadedPlugin* plugin = standin::LoadPlugin(&vm::PlugInMain, &error);
  ASSERT_NE(plugin, nullptr) << error;
  EXPECT_EQ(plugin->events,
            (std::vector<std::string>{"table", "id", "handshake", "declare", "name", "lifecycle1",
                                      "lifecycle2", "lifecycle3", "ui", "lifecycle4"}));
  EXPECT_EQ(plugin->declaredValue, 0x0B000000u);
  EXPECT_EQ(plugin->name, "Veilmark");
  EXPECT_EQ(plugin->wideName, u"Veilmark");
  EXPECT_EQ(vm::g_pluginState.table, standin::TableRecord());
  EXPECT_EQ(vm::g_pluginState.pluginId, standin::kStandinPluginId);

  const UiCallbackRecord& ui = plugin->uiCallbacks;
  EXPECT_EQ(ui.size, sizeof(UiCallbackRecord));
  EXPECT_EQ(ui.buildRibbon, &vm::BuildRibbon);
  EXPECT_EQ(ui.reserved1, nullptr);
  EXPECT_EQ(ui.reserved2, nullptr);
  for (UiIdleFn idle : {ui.function1, ui.function2, ui.function3, ui.function4, ui.function6}) {
    ASSERT_NE(idle, nullptr);
    idle();
  }
  EXPECT_NE(plugin->buildRibbonResult, 0);
  for (LifecycleFn callback : plugin->lifecycle) {
    ASSERT_NE(callback, nullptr);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(callback(), 1);
  }
}

// A host that speaks another interface version gets 0 and nothing changes in the module.
TEST_F(PlugInTest, OtherVersionsAreRefusedWithoutEffect) {
  int calls = 0;
  static int* callCount;
  callCount = &calls;
  HostSetupRecord setup{};
  setup.registerHandshake = [](HostSetupRecord*, HostHandshakeFn) -> int32_t { return ++*callCount; };
  setup.getFunctionTable = []() -> HostFunctionTable* { ++*callCount; return standin::TableRecord(); };
  setup.getPluginId = [](HostSetupRecord*) -> int32_t { return ++*callCount; };
  setup.declareValue = [](HostSetupRecord*, uint32_t) -> int32_t { return ++*callCount; };
  HandshakeRecord handshake{};  // null functions: any call would crash

  for (uint32_t version : {0x10001u, 0xFFFFu, 0u, 0x20000u}) {
    EXPECT_EQ(vm::HostSetup(version, &setup), 0) << version;
    EXPECT_EQ(vm::HostHandshake(version, &handshake), 0) << version;
  }
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(vm::g_pluginState.table, nullptr);
  EXPECT_EQ(vm::g_pluginState.pluginId, 0);
}

}  // namespace
