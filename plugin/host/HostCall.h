// Calling the host: every call looks its function up anew through the host's table, with the
// plug-in identifier, immediately before it is made. The result is called without a null test.
#pragma once

#include "HostAbi.h"

namespace vm {

struct PluginState {
  HostFunctionTable* table = nullptr;
  int32_t pluginId = 0;
};

// Written once by HostSetup, read by every host call.
extern PluginState g_pluginState;

inline void* LookupHostFunction(int32_t category, int32_t selector) {
  return g_pluginState.table->lookup(category, selector, g_pluginState.pluginId);
}

// Host<C, S>(args...) calls host C:S with the argument types declared in HostAbi.h.
template <int C, int S, class... Args>
inline auto Host(Args&&... args) {
  using Fn = typename HostFn<C, S>::type;
  auto fn = reinterpret_cast<Fn>(LookupHostFunction(C, S));
  return fn(static_cast<Args&&>(args)...);
}

}  // namespace vm
