// What both dialogs share: the DPI scale, the dialog font, child controls, the window's place
// and the window class of a dialog built from window-system calls.
#pragma once

#include <windows.h>

namespace vm {

inline constexpr DWORD kDialogExStyle = WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME;  // 0x00010001
inline constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;           // 0x80C80000

// LOGPIXELSX of the screen / 96; 1 when the device reports less than 1.
float DialogScale();
// A 96-DPI pixel value at scale s, truncated toward zero.
int Scaled(int value, float s);
// "Malgun Gothic" with a character height of 13 pixels at 96 DPI.
HFONT CreateDialogFont(float s);

// One child window: style | WS_CHILD | WS_VISIBLE, geometry scaled by s, the font set when the
// window was made. Null when it could not be made.
HWND CreateChildControl(HWND parent, HINSTANCE instance, const char16_t* className,
                        const char16_t* text, DWORD style, int x, int y, int w, int h, int id,
                        HFONT font, float s);

// The outer rectangle of a dialog window with the given client size (already scaled), centred
// on the owner's window rectangle, or on the primary screen when the owner's cannot be read.
RECT CenteredDialogRect(HWND owner, int clientWidth, int clientHeight);

// Registers a dialog class once per process (the flag is set whatever the result).
void RegisterDialogClass(bool& registered, const char16_t* name, WNDPROC procedure);

// The module's instance: the image that holds this code and its resources.
HINSTANCE ModuleInstance();

// WM_CTLCOLORBTN / WM_CTLCOLORSTATIC: transparent text background on the button face.
LRESULT ControlColor(WPARAM deviceContext);

}  // namespace vm
