// The host's side of the handshake with a module's entry point: the setup record, the handshake
// record, then function 5 of the module's user-interface callbacks. Needs no PDF engine.
#include <cstring>
#include <memory>

#include "core/Application.h"
#include "core/CoreParts.h"

namespace standin {

namespace {

std::unique_ptr<LoadedPlugin>& Last() {
  static auto* last = new std::unique_ptr<LoadedPlugin>;
  return *last;
}

LoadedPlugin& PluginOf(void* hostField) { return *static_cast<LoadedPlugin*>(hostField); }

// ---- setup record ----
int32_t VM_CALL RegisterHandshake(HostSetupRecord* self, HostHandshakeFn handshake) {
  LoadedPlugin& plugin = PluginOf(self->hostField0);
  plugin.events.push_back("handshake");
  plugin.handshake = handshake;
  return 1;
}
HostFunctionTable* VM_CALL GetFunctionTable() {
  // Called without the record: the plug-in being loaded is the last one.
  if (Last()) Last()->events.push_back("table");
  return TableRecord();
}
int32_t VM_CALL GetPluginId(HostSetupRecord* self) {
  PluginOf(self->hostField0).events.push_back("id");
  return kStandinPluginId;
}
int32_t VM_CALL DeclareValue(HostSetupRecord* self, uint32_t value) {
  LoadedPlugin& plugin = PluginOf(self->hostField0);
  plugin.events.push_back("declare");
  plugin.declaredValue = value;
  return 1;
}

// ---- handshake record ----
int32_t VM_CALL SetName(HandshakeRecord* self, const char* name, const char16_t* wideName) {
  LoadedPlugin& plugin = PluginOf(self->hostField0);
  plugin.events.push_back("name");
  plugin.name = name ? name : "";
  plugin.wideName = wideName ? wideName : u"";
  return 1;
}
int32_t RegisterLifecycle(HandshakeRecord* self, int slot, LifecycleFn callback) {
  LoadedPlugin& plugin = PluginOf(self->hostField0);
  plugin.events.push_back("lifecycle" + std::to_string(slot + 1));
  plugin.lifecycle[slot] = callback;
  return 1;
}
int32_t VM_CALL RegisterLifecycle1(HandshakeRecord* self, LifecycleFn fn) { return RegisterLifecycle(self, 0, fn); }
int32_t VM_CALL RegisterLifecycle2(HandshakeRecord* self, LifecycleFn fn) { return RegisterLifecycle(self, 1, fn); }
int32_t VM_CALL RegisterLifecycle3(HandshakeRecord* self, LifecycleFn fn) { return RegisterLifecycle(self, 2, fn); }
int32_t VM_CALL RegisterLifecycle4(HandshakeRecord* self, LifecycleFn fn) { return RegisterLifecycle(self, 3, fn); }
int32_t VM_CALL RegisterUiCallbacks(HandshakeRecord* self, const UiCallbackRecord* callbacks) {
  LoadedPlugin& plugin = PluginOf(self->hostField0);
  plugin.events.push_back("ui");
  if (!callbacks) return 0;
  std::memcpy(&plugin.uiCallbacks, callbacks, sizeof(UiCallbackRecord));
  plugin.hasUiCallbacks = true;
  return 1;
}

bool Fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

bool RunHandshake(LoadedPlugin& plugin, std::string* error) {
  void* setup = nullptr;
  plugin.mainResult = plugin.main(&plugin.version, &setup);
  plugin.setup = reinterpret_cast<HostSetupFn>(setup);
  if (plugin.mainResult != 1) return Fail(error, "PlugInMain answered " + std::to_string(plugin.mainResult));
  if (plugin.version != kHostInterfaceVersion)
    return Fail(error, "unsupported interface version " + std::to_string(plugin.version));
  if (!plugin.setup) return Fail(error, "PlugInMain handed back no setup function");

  HostSetupRecord setupRecord{};
  setupRecord.hostField0 = &plugin;
  setupRecord.registerHandshake = &RegisterHandshake;
  setupRecord.getFunctionTable = &GetFunctionTable;
  setupRecord.getPluginId = &GetPluginId;
  setupRecord.declareValue = &DeclareValue;
  plugin.setupResult = plugin.setup(kHostInterfaceVersion, &setupRecord);
  if (plugin.setupResult == 0) return Fail(error, "the setup was refused");
  if (!plugin.handshake) return Fail(error, "no handshake function was registered");

  HandshakeRecord handshakeRecord{};
  handshakeRecord.hostField0 = &plugin;
  handshakeRecord.setName = &SetName;
  handshakeRecord.registerLifecycle1 = &RegisterLifecycle1;
  handshakeRecord.registerLifecycle2 = &RegisterLifecycle2;
  handshakeRecord.registerLifecycle3 = &RegisterLifecycle3;
  handshakeRecord.registerUiCallbacks = &RegisterUiCallbacks;
  handshakeRecord.registerLifecycle4 = &RegisterLifecycle4;
  plugin.handshakeResult = plugin.handshake(kHostInterfaceVersion, &handshakeRecord);
  if (plugin.handshakeResult == 0) return Fail(error, "the handshake was refused");

  if (!plugin.hasUiCallbacks) return Fail(error, "no user-interface callbacks were registered");
  if (plugin.uiCallbacks.size != sizeof(UiCallbackRecord))
    return Fail(error, "user-interface callback record of size " + std::to_string(plugin.uiCallbacks.size));
  if (plugin.uiCallbacks.buildRibbon) plugin.buildRibbonResult = plugin.uiCallbacks.buildRibbon();
  return true;
}

}  // namespace

const LoadedPlugin* LoadPlugin(PlugInMainFn main, std::string* error) {
  Last() = std::make_unique<LoadedPlugin>();
  LoadedPlugin& plugin = *Last();
  plugin.main = main;
  if (!main) {
    Fail(error, "no entry point");
    return nullptr;
  }
  return RunHandshake(plugin, error) ? &plugin : nullptr;
}

const LoadedPlugin* LastPlugin() { return Last().get(); }

void SetLastPluginLibrary(void* library) {
  if (Last()) Last()->library = library;
}

void ForgetLastPlugin() { Last().reset(); }

}  // namespace standin
