#include "host/PlugIn.h"

#include "host/HostCall.h"
#include "host/Ribbon.h"

namespace vm {

int32_t VM_CALL PlugInMain(uint32_t* version, void** setup) {
  *version = kHostInterfaceVersion;
  *setup = reinterpret_cast<void*>(&HostSetup);
  return 1;
}

int32_t VM_CALL HostSetup(uint32_t version, HostSetupRecord* record) {
  if (version != kHostInterfaceVersion) return 0;
  g_pluginState.table = record->getFunctionTable();
  g_pluginState.pluginId = record->getPluginId(record);
  record->registerHandshake(record, &HostHandshake);
  record->declareValue(record, kHostDeclaredValue);
  return 1;
}

int32_t VM_CALL HostHandshake(uint32_t version, HandshakeRecord* record) {
  if (version != kHostInterfaceVersion) return 0;
  record->setName(record, kPluginName, kPluginWideName);
  record->registerLifecycle1(record, &OnLifecycle1);
  record->registerLifecycle2(record, &OnLifecycle2);
  record->registerLifecycle3(record, &OnLifecycle3);
  UiCallbackRecord callbacks{};
  callbacks.size = sizeof(UiCallbackRecord);
  callbacks.function1 = &OnUiIdle;
  callbacks.function2 = &OnUiIdle;
  callbacks.function3 = &OnUiIdle;
  callbacks.function4 = &OnUiIdle;
  callbacks.buildRibbon = &BuildRibbon;
  callbacks.function6 = &OnUiIdle;
  record->registerUiCallbacks(record, &callbacks);
  record->registerLifecycle4(record, &OnLifecycle4);
  return 1;
}

int32_t VM_CALL OnLifecycle1() { return 1; }
int32_t VM_CALL OnLifecycle2() { return 1; }
int32_t VM_CALL OnLifecycle3() { return 1; }
int32_t VM_CALL OnLifecycle4() { return 1; }
void VM_CALL OnUiIdle() {}

}  // namespace vm
