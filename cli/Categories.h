// The command line's names of the categories of personal information.
#pragma once

#include <array>
#include <string>

#include "detect/PiCategory.h"

namespace cli {

// The command line's names of the categories, by PiCategory value.
inline constexpr std::array<const char*, vm::kCategoryCount> kCategoryKeys = {
    "phone", "rrn", "foreign", "email", "account", "card", "ip", "birth", "address"};

// Category key ("phone", ...) to PiCategory value; -1 for an unknown key.
int CategoryFromKey(const std::string& key);

// Sets the flags of the listed categories (comma-separated keys); false (with the bad name) on
// an unknown one or an empty list.
bool ParseCategories(const std::string& list, vm::PiCategoryFlags& flags, std::string& bad);

}  // namespace cli
