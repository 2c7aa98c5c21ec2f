# Cross-compiling for Windows with Debian's mingw-w64, win32 thread variant
# (g++-mingw-w64-i686-win32, g++-mingw-w64-x86-64-win32).
#
# VM_WINDOWS_ARCH: i686 (default) builds what the editor loads, the 32-bit DLL; x86_64 builds the
# same sources as a 64-bit DLL and host program, which 64-bit Wine can run where 32-bit programs
# cannot.
#
# The win32 thread variant: the module starts no thread, and with it libstdc++ needs no
# winpthread, so the DLL imports nothing but system DLLs. The posix variant would add
# libwinpthread (statically linked, but still code and a thread model the module never uses).
#
# VM_WINDOWS_DEPS names the folder that holds the Windows builds of third-party libraries
# (scripts/build-pcre2-windows.sh installs PCRE2 there).
if(NOT VM_WINDOWS_ARCH)
  set(VM_WINDOWS_ARCH i686)
endif()
set(triplet ${VM_WINDOWS_ARCH}-w64-mingw32)

# 32-bit: floating point in SSE2 registers, as on x86-64 and on Linux. With the x87 unit's
# 80-bit intermediates, positions the module and the engine write into page content came out
# different in their last digits (107.60152 505.76979 Tm for 505.7698), so a protected copy was not
# the same file as the one the other builds write. Every processor Windows 8 and later runs on has
# SSE2. Windows calls window procedures and callbacks with the stack aligned to 4 bytes only,
# while SSE code keeps 16-byte values on it: -mstackrealign aligns it again where needed (without
# it the main dialog never opened, its code faulting inside the ribbon click).
if(VM_WINDOWS_ARCH STREQUAL "i686")
  set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
  set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
endif()

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VM_WINDOWS_ARCH})
set(CMAKE_C_COMPILER ${triplet}-gcc-win32)
set(CMAKE_CXX_COMPILER ${triplet}-g++-win32)
set(CMAKE_RC_COMPILER ${triplet}-windres)
set(CMAKE_OBJDUMP ${triplet}-objdump CACHE FILEPATH "")

list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VM_WINDOWS_ARCH VM_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
if(VM_WINDOWS_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH ${VM_WINDOWS_DEPS})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
