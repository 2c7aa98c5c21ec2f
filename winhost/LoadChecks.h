// Loading the DLL as the editor does, and the checks of the handshake and the ribbon command.
#pragma once

namespace winhost {

// LoadLibraryW, GetProcAddress("PlugInMain"), then the handshake through the function table and
// the ribbon's build (function 5 of the module's user-interface callbacks). False, with the
// reason printed, when the DLL cannot be loaded or the handshake fails.
bool LoadModule(const wchar_t* path);
// The records the module filled in the handshake: name, declared value, callbacks.
void CheckHandshake();
// The panel, element and button the module added, their images from the DLL's resources, the
// button's enabled state, and the click that opens the main dialog.
void CheckRibbon();

}  // namespace winhost
