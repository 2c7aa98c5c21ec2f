// The module's UTF-16 text for the W functions. WCHAR is char16_t under winelib and a 2-byte
// wchar_t on Windows; both hold the same code units.
#pragma once

#include <windows.h>

#include <string>

namespace vm {

inline const WCHAR* Wide(const char16_t* text) { return reinterpret_cast<const WCHAR*>(text); }
inline const WCHAR* Wide(const std::u16string& text) { return Wide(text.c_str()); }

// A window's text as UTF-16.
std::u16string WindowText(HWND window);

}  // namespace vm
