# Third-party libraries, all from Debian's packages (scripts/install-deps.sh).

# The module's regular expressions: pcre2_16, the 16-bit PCRE2 library.
if(WIN32)
  # Built from Debian's source package of the same release by scripts/build-pcre2-windows.sh.
  set(PCRE2_USE_STATIC_LIBS ON)
  find_package(PCRE2 10.42 CONFIG REQUIRED COMPONENTS 16BIT)
  add_library(pcre2_16 INTERFACE)
  target_link_libraries(pcre2_16 INTERFACE PCRE2::16BIT)
  # The stand-in host's engine: MuPDF with the libraries it needs, built from Debian's source
  # packages of the same releases by scripts/build-mupdf-windows.sh (target mupdf).
  set(ZLIB_ROOT ${VM_WINDOWS_DEPS})  # that build's zlib, not another in the compiler's folders
  find_package(mupdf CONFIG REQUIRED)
  return()  # the Windows build holds the module and the host program that loads it
endif()
find_package(PkgConfig REQUIRED)
pkg_check_modules(PCRE2_16 REQUIRED IMPORTED_TARGET libpcre2-16)
add_library(pcre2_16 INTERFACE)
target_link_libraries(pcre2_16 INTERFACE PkgConfig::PCRE2_16)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(HARFBUZZ REQUIRED IMPORTED_TARGET harfbuzz)
find_package(Threads REQUIRED)

# Debian's libmupdf-dev ships only static archives, and its pkg-config file names an older
# version than its headers; link the archives with the libraries MuPDF was built against.
find_library(MUPDF_LIB NAMES libmupdf.a mupdf REQUIRED)
find_library(MUPDF_THIRD_LIB NAMES libmupdf-third.a mupdf-third REQUIRED)
find_library(MUJS_LIB mujs REQUIRED)
find_library(GUMBO_LIB gumbo REQUIRED)
find_library(OPENJP2_LIB openjp2 REQUIRED)
find_library(JBIG2DEC_LIB jbig2dec REQUIRED)
find_library(JPEG_LIB jpeg REQUIRED)
find_library(Z_LIB z REQUIRED)
add_library(mupdf INTERFACE)
target_link_libraries(mupdf INTERFACE
  ${MUPDF_LIB} ${MUPDF_THIRD_LIB} ${MUJS_LIB} ${GUMBO_LIB} ${OPENJP2_LIB} ${JBIG2DEC_LIB}
  PkgConfig::HARFBUZZ PkgConfig::FREETYPE ${JPEG_LIB} ${Z_LIB} m Threads::Threads)

if(VM_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  # The tests' independent Unicode classification (ICU's character types).
  pkg_check_modules(ICU_UC REQUIRED IMPORTED_TARGET icu-uc)
endif()
if(VM_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
