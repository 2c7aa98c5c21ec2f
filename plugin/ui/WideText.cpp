#include "ui/WideText.h"

namespace vm {

std::u16string WindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  int copied = GetWindowTextW(window, reinterpret_cast<WCHAR*>(text.data()), length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

}  // namespace vm
