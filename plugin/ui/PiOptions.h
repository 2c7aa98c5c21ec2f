// The options of one find or protect command.
#pragma once

#include <array>
#include <string>

#include "detect/PiCategory.h"

namespace vm {

struct PiOptions {
  PiCategoryFlags flags{};                          // check-box order, see PiCategory.h
  std::u16string protection;                        // "******", "~~~~~~" or "XXXXXX"
  std::array<std::u16string, kCategoryCount> formats;  // display template per PiCategory; [Address] empty
};

}  // namespace vm
