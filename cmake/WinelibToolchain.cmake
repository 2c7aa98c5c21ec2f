# winelib: native Linux objects calling Wine's own user32, gdi32 and advapi32. Used for the
# module's windows and their tests; the plain build needs none of this.
set(CMAKE_C_COMPILER winegcc-stable)
set(CMAKE_CXX_COMPILER wineg++-stable)
# WCHAR becomes char16_t (the module's UTF-16 text goes straight to the W functions) while
# wchar_t stays 4 bytes, as libstdc++'s wide strings require.
# Programs are shared objects loaded by Wine, so every object is position-independent.
set(CMAKE_C_FLAGS_INIT "-fno-short-wchar -UWINE_UNICODE_NATIVE -fPIC")
set(CMAKE_CXX_FLAGS_INIT "-fno-short-wchar -UWINE_UNICODE_NATIVE -fPIC")
# winegcc names its executables foo.exe (a launcher) and foo.exe.so; configure checks only compile.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(VM_WINELIB ON CACHE BOOL "Build with winelib" FORCE)
# winegcc hides the native compiler's multiarch library folder from CMake's detection.
set(CMAKE_LIBRARY_ARCHITECTURE x86_64-linux-gnu)
