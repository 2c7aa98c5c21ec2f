#include "Categories.h"

#include <sstream>

#include "detect/Patterns.h"

namespace cli {

int CategoryFromKey(const std::string& key) {
  for (int c = 0; c < vm::kCategoryCount; ++c)
    if (key == kCategoryKeys[c]) return c;
  return -1;
}

// Sets the flags of the listed categories; false (with the bad name) on an unknown one.
bool ParseCategories(const std::string& list, vm::PiCategoryFlags& flags, std::string& bad) {
  flags.fill(false);
  std::stringstream in(list);
  std::string name;
  bool any = false;
  while (std::getline(in, name, ',')) {
    const int category = CategoryFromKey(name);
    if (category < 0) {
      bad = name;
      return false;
    }
    flags[vm::CategoryFlagIndex(category)] = true;
    any = true;
  }
  if (!any) bad = list;
  return any;
}

}  // namespace cli
