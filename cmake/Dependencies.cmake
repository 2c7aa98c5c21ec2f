# Third-party libraries, all from Debian's packages (scripts/install-deps.sh).
find_package(PkgConfig REQUIRED)
pkg_check_modules(PCRE2_16 REQUIRED IMPORTED_TARGET libpcre2-16)
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
