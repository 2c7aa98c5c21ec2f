#include "host/HostCall.h"

namespace vm {

PluginState g_pluginState;

}  // namespace vm
