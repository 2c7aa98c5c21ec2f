// Loading plug-ins as the host does: the real shared library through dlopen, and entry points
// that break the contract.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "core/Application.h"
#include "core/StandinHost.h"

namespace {

class CorePluginLoaderTest : public testing::Test {
 protected:
  void SetUp() override { standin::ResetHost(); }
  void TearDown() override { standin::ResetHost(); }
};

TEST_F(CorePluginLoaderTest, LoadsTheSharedLibraryAndCompletesTheHandshake) {
  std::string error;
  const standin::LoadedPlugin* plugin = standin::LoadPluginLibrary(VM_PLUGIN_PATH, &error);
  ASSERT_NE(plugin, nullptr) << error;
  EXPECT_NE(plugin->library, nullptr);
  EXPECT_EQ(plugin->version, 0x10000u);
  EXPECT_EQ(plugin->setupResult, 1);
  EXPECT_EQ(plugin->handshakeResult, 1);
  EXPECT_EQ(plugin->name, "Veilmark");
  EXPECT_EQ(plugin->declaredValue, 0x0B000000u);
  EXPECT_EQ(plugin->uiCallbacks.size, sizeof(UiCallbackRecord));
  EXPECT_NE(plugin->uiCallbacks.buildRibbon, nullptr);
  for (LifecycleFn callback : plugin->lifecycle) EXPECT_EQ(callback(), 1);
}

TEST_F(CorePluginLoaderTest, SharedLibraryExportsOnlyTheEntryPoint) {
  void* library = dlopen(VM_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  EXPECT_NE(dlsym(library, "PlugInMain"), nullptr);
  for (const char* hidden : {"_ZN2vm9HostSetupEjP15HostSetupRecord",
                             "_ZN2vm13HostHandshakeEjP15HandshakeRecord",
                             "_ZN2vm13g_pluginStateE", "_ZN2vm11BuildRibbonEv"}) {
    EXPECT_EQ(dlsym(library, hidden), nullptr) << hidden;
  }
  dlclose(library);
}

int32_t VM_CALL WrongVersionMain(uint32_t* version, void** setup) {
  *version = 0x10001;
  *setup = nullptr;
  return 1;
}

TEST_F(CorePluginLoaderTest, ContractBreachesStopTheLoad) {
  std::string error;
  EXPECT_EQ(standin::LoadPlugin(&WrongVersionMain, &error), nullptr);
  EXPECT_NE(error.find("version"), std::string::npos);
  ASSERT_NE(standin::LastPlugin(), nullptr);
  EXPECT_EQ(standin::LastPlugin()->setupResult, 0);

  EXPECT_EQ(standin::LoadPlugin(nullptr, &error), nullptr);
  EXPECT_EQ(standin::LoadPluginLibrary("/nonexistent/libveilmark.so", &error), nullptr);
  EXPECT_FALSE(error.empty());
}

}  // namespace
