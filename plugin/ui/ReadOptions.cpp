#include "ui/ReadOptions.h"

#include "mask/FormatChoiceTable.h"
#include "ui/MainDialog.h"
#include "ui/StoredFormats.h"

namespace vm {

PiOptions ReadOptions(HWND dialog) {
  PiOptions options;
  for (int k = 0; k < kCategoryCount; ++k) {
    options.flags[static_cast<size_t>(k)] = IsDlgButtonChecked(dialog, kIdPhone + k) == BST_CHECKED;
  }
  if (IsDlgButtonChecked(dialog, kIdTildes) == BST_CHECKED) {
    options.protection = u"~~~~~~";
  } else if (IsDlgButtonChecked(dialog, kIdCrosses) == BST_CHECKED) {
    options.protection = u"XXXXXX";
  } else {
    options.protection = u"******";
  }
  for (size_t row = 0; row < FormatChoiceTable.size(); ++row) {
    const FormatChoiceRow& choices = FormatChoiceTable[row];
    int32_t entry = ReadFormatIndex(static_cast<int32_t>(row));
    options.formats[static_cast<size_t>(choices.category)] = choices.templates[entry];
  }
  return options;
}

}  // namespace vm
