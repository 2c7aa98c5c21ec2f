# Cross-compiling for 32-bit Windows with Debian's mingw-w64 (package g++-mingw-w64-i686-win32).
#
# The win32 thread variant: the module starts no thread, and with it libstdc++ needs no
# winpthread, so the DLL imports nothing but system DLLs. The posix variant would add
# libwinpthread (statically linked, but still code and a thread model the module never uses).
#
# VM_WINDOWS_DEPS names the folder that holds the Windows builds of third-party libraries
# (scripts/build-pcre2-windows.sh installs PCRE2 there).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_OBJDUMP i686-w64-mingw32-objdump CACHE FILEPATH "")

list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VM_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
if(VM_WINDOWS_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH ${VM_WINDOWS_DEPS})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
