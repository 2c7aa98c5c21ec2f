#include "ui/StoredFormats.h"

#include <windows.h>

#include "mask/FormatChoiceTable.h"
#include "ui/WideText.h"

namespace vm {

namespace {

const FormatChoiceRow* RowAt(int32_t row) {
  if (row < 0 || row >= static_cast<int32_t>(FormatChoiceTable.size())) return nullptr;
  return &FormatChoiceTable[static_cast<size_t>(row)];
}

}  // namespace

int32_t ReadFormatIndex(int32_t row) {
  const FormatChoiceRow* choices = RowAt(row);
  if (!choices) return 0;
  DWORD data = 0;
  DWORD size = sizeof data;
  if (RegGetValueW(HKEY_CURRENT_USER, Wide(kFormatKeyPath), Wide(choices->valueName),
                   RRF_RT_REG_DWORD, nullptr, &data, &size) != ERROR_SUCCESS) {
    return 0;
  }
  auto entry = static_cast<int32_t>(data);
  return entry < 0 || entry >= choices->count ? 0 : entry;
}

void WriteFormatIndex(int32_t row, int32_t entry) {
  const FormatChoiceRow* choices = RowAt(row);
  if (!choices) return;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, Wide(kFormatKeyPath), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  DWORD data = static_cast<DWORD>(entry);
  RegSetValueExW(key, Wide(choices->valueName), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                 sizeof data);
  RegCloseKey(key);
}

}  // namespace vm
