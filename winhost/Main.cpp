// The Windows host program: loads veilmark.dll as the editor does and works its ribbon button and
// dialogs with real window messages on real documents (the stand-in host's engine), checking what
// it finds, then finds and protects through the dialog and saves.
//   veilmark-winhost.exe DLL DPI DATA OUTPUT
// DPI is what the screen is expected to report (the Wine prefix is set to it); DATA the folder of
// the documents; OUTPUT where the saved documents, their transcripts and the pictures go. Exit
// status: 0 when every check held, 1 when one failed, 2 when the DLL could not be loaded, 3 when
// an exception went unhandled (in the host or in the DLL).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "DialogChecks.h"
#include "Expect.h"
#include "FindProtectChecks.h"
#include "LoadChecks.h"
#include "Sample.h"
#include "Utf8.h"

namespace {

LONG WINAPI ReportUnhandledException(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD* record = exception->ExceptionRecord;
  wchar_t module[MAX_PATH] = L"?";
  HMODULE owner = nullptr;
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         static_cast<LPCWSTR>(record->ExceptionAddress), &owner)) {
    GetModuleFileNameW(owner, module, MAX_PATH);
  }
  std::printf("UNHANDLED EXCEPTION 0x%08lx at %p in %ls\n", static_cast<unsigned long>(record->ExceptionCode),
              record->ExceptionAddress, module);
  std::fflush(stdout);
  ExitProcess(3);
}

// 64-bit Windows may swallow an exception raised inside a window procedure at the boundary of
// the system's callback; ask it to let such exceptions reach the filter.
void KeepCallbackExceptions() {
  constexpr DWORD kCallbackFilterEnabled = 0x1;
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto get = reinterpret_cast<BOOL(WINAPI*)(LPDWORD)>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "GetProcessUserModeExceptionPolicy")));
  auto set = reinterpret_cast<BOOL(WINAPI*)(DWORD)>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetProcessUserModeExceptionPolicy")));
  DWORD flags = 0;
  if (get && set && get(&flags)) set(flags & ~kCallbackFilterEnabled);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetUnhandledExceptionFilter(&ReportUnhandledException);
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  KeepCallbackExceptions();
  if (argc != 5) {
    std::printf("usage: veilmark-winhost DLL DPI DATA OUTPUT\n");
    return 2;
  }
  const int dpi = _wtoi(argv[2]);
  auto narrow = [](const wchar_t* text) {
    return common::Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(text)));
  };
  winhost::SetDataFolder(narrow(argv[3]));

  if (!winhost::LoadModule(argv[1])) return 2;
  if (!winhost::OpenSample()) return 1;
  winhost::CheckHandshake();
  winhost::CheckRibbon();
  winhost::CheckMainDialog(dpi);
  winhost::CheckFormatDialog(dpi);
  winhost::CheckClosing();
  winhost::CheckFindProtect(narrow(argv[4]), dpi);

  int failures = winhost::FailureCount();
  std::printf("%s: %d failed check(s) at %d DPI\n", failures ? "FAILED" : "PASSED", failures, dpi);
  return failures ? 1 : 0;
}
