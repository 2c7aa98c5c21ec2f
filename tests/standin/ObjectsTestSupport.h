// Helpers of the stand-in host tests: host calls through the table as the module makes them.
#pragma once

#include <string>
#include <vector>

#include "core/Application.h"
#include "core/StandinHost.h"

namespace standin::objects::testing {

template <int C, int S>
typename HostFn<C, S>::type Find() {
  return reinterpret_cast<typename HostFn<C, S>::type>(
      standin::TableRecord()->lookup(C, S, standin::kStandinPluginId));
}

// The decoded data of the page's Contents through the host functions (67:2, 61:0, 66:x, 69:x),
// streams joined with "\n".
std::string ContentsThroughHost(HostHandle pageDictionary);

}  // namespace standin::objects::testing

#define HOST(C, S) (::standin::objects::testing::Find<C, S>())
