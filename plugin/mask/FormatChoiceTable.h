// The display-format templates offered per category; index 0 (all masked) is the default.
#pragma once

#include <array>
#include <cstdint>

namespace vm {

struct FormatChoiceRow {
  const char16_t* label;
  int32_t category;                // PiCategory
  const char16_t* valueName;       // name of the stored choice
  const char16_t* const* templates;
  int32_t count;
};

// Rows for categories 0 to 7 in category order; addresses have no row.
extern const std::array<FormatChoiceRow, 8> FormatChoiceTable;

// The row of a category, or null (addresses, out of range).
const FormatChoiceRow* FindFormatChoiceRow(int32_t category);

// The template at a stored index; an out-of-range index selects index 0. Empty for a category
// without a row.
const char16_t* FormatChoiceTemplate(int32_t category, int32_t index);

}  // namespace vm
