// The stored display-format choices: one REG_DWORD per row of FormatChoiceTable under
// HKEY_CURRENT_USER\Software\Veilmark\DisplayFormat, holding the chosen entry number.
#pragma once

#include <cstdint>

namespace vm {

inline constexpr char16_t kFormatKeyPath[] = u"Software\\Veilmark\\DisplayFormat";

// The stored entry number of a row (0-7); 0 whenever nothing valid is stored.
int32_t ReadFormatIndex(int32_t row);
// Stores one choice; a row outside 0-7 or a key that cannot be opened for writing stores nothing.
void WriteFormatIndex(int32_t row, int32_t entry);

}  // namespace vm
