#!/usr/bin/env bash
# Builds MuPDF for Windows, with zlib, FreeType, libjpeg and jbig2dec, from Debian's own source
# packages of the releases the Linux build links (each source checked against its .dsc by
# scripts/debian-source.sh), so that the stand-in host's engine behaves on Windows as on Linux.
#   build-mupdf-windows.sh ARCH DEPS      ARCH: i686 or x86_64; DEPS: default build/windows-deps
# Installs static libraries into DEPS/ARCH (MuPDF's CMake package in lib/cmake/mupdf) and keeps
# the checked sources in DEPS/sources, shared by both architectures. A second run with the same
# sources and the same recipe does nothing.
#
# MuPDF's own choices are in cmake/mupdf-windows/CMakeLists.txt. Its fonts are the very files the
# Linux build embeds: Debian's build makes them from font packages with a font compiler, and they
# are taken here from that build's archive (libmupdf-dev), so that glyph boxes and widths agree.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=$1
deps=$(mkdir -p "${2:-$root/build/windows-deps}" && cd "${2:-$root/build/windows-deps}" && pwd)
dest=$deps/$arch
sources=$deps/sources
work=$deps/mupdf-work-$arch
stamp=$dest/mupdf-build

# source package, the Linux package whose source version is wanted
packages=(
  "zlib zlib1g-dev"
  "freetype libfreetype-dev"
  "libjpeg-turbo libjpeg62-turbo-dev"
  "jbig2dec libjbig2dec0-dev"
  "mupdf libmupdf-dev"
)
linux_versions=$(for entry in "${packages[@]}"; do
  set -- $entry
  echo "$1 $(dpkg-query -W -f='${source:Version}' "$2")"
done)
recipe=$(find "$0" "$root/cmake/mupdf-windows" "$root/cmake/toolchain-mingw.cmake" -type f | sort | xargs cat |
  sha256sum | cut -c1-16)
wanted="recipe $recipe
$linux_versions"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ] && [ -f "$dest/lib/libmupdf.a" ]; then
  echo "MuPDF for Windows ($arch): already built in $dest"
  exit 0
fi

source "$root/scripts/debian-source.sh"
mkdir -p "$sources"
for entry in "${packages[@]}"; do
  set -- $entry
  fetch_debian_source "$1" "$2" "$sources/$1" "$deps/fetch-$1"
done

# ---- the fonts the Linux build embeds, out of its archive ----
fonts=$sources/mupdf-fonts
fonts_version=$(dpkg-query -W -f='${Version}' libmupdf-dev)
if [ ! -f "$fonts/version" ] || [ "$(cat "$fonts/version")" != "$fonts_version" ]; then
  rm -rf "$fonts" && mkdir -p "$fonts/objects"
  for name in NimbusMonoPS-Regular.cff NimbusMonoPS-Italic.cff NimbusMonoPS-Bold.cff \
      NimbusMonoPS-BoldItalic.cff NimbusSans-Regular.cff NimbusSans-Italic.cff NimbusSans-Bold.cff \
      NimbusSans-BoldItalic.cff NimbusRoman-Regular.cff NimbusRoman-Italic.cff NimbusRoman-Bold.cff \
      NimbusRoman-BoldItalic.cff StandardSymbolsPS.cff Dingbats.cff SourceHanSerif-Regular.ttc \
      DroidSansFallbackFull.ttf DroidSansFallback.ttf; do
    case $name in
      *.cff) folder=urw ;; *.ttc) folder=han ;; *) folder=droid ;;
    esac
    mkdir -p "$fonts/resources/fonts/$folder"
    (cd "$fonts/objects" && ar x /usr/lib/libmupdf.a "$name.o")
    objcopy -O binary -j .data "$fonts/objects/$name.o" "$fonts/resources/fonts/$folder/$name"
    [ -s "$fonts/resources/fonts/$folder/$name" ] || { echo "no font data in $name.o" >&2; exit 1; }
  done
  rm -rf "$fonts/objects"
  echo "$fonts_version" > "$fonts/version"
fi

toolchain=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw.cmake" -DVM_WINDOWS_ARCH="$arch"
           -DVM_WINDOWS_DEPS="$dest" -DCMAKE_BUILD_TYPE=Release "-DCMAKE_C_FLAGS_RELEASE=-O2 -fomit-frame-pointer"
           -DCMAKE_INSTALL_PREFIX="$dest" -DCMAKE_PREFIX_PATH="$dest" -DZLIB_ROOT="$dest")
# Configures, builds and installs one library: build_library NAME SOURCE [CMAKE OPTIONS...]
build_library() {
  local name=$1 source=$2
  shift 2
  echo "MuPDF for Windows ($arch): building $name"
  mkdir -p "$work"
  if ! { cmake -S "$source" -B "$work/$name" "${toolchain[@]}" "$@" -Wno-dev &&
         cmake --build "$work/$name" -j "$(nproc)" && cmake --install "$work/$name"; } > "$work/$name.log" 2>&1; then
    tail -n 40 "$work/$name.log" >&2
    echo "MuPDF for Windows ($arch): $name failed (the whole log: $work/$name.log)" >&2
    exit 1
  fi
}

rm -rf "$work" "$stamp"
build_library zlib "$root/cmake/mupdf-windows/zlib" -DZLIB_SOURCE="$sources/zlib"
# FreeType reads gzip-compressed fonts with that zlib, as Debian's build does.
build_library freetype "$sources/freetype" -DBUILD_SHARED_LIBS=OFF \
  -DFT_REQUIRE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
build_library libjpeg-turbo "$sources/libjpeg-turbo" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
  -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF
build_library mupdf "$root/cmake/mupdf-windows" -DMUPDF_SOURCE="$sources/mupdf" \
  -DJBIG2DEC_SOURCE="$sources/jbig2dec" -DMUPDF_FONTS="$fonts"
rm -rf "$dest/share" "$dest/man" "$dest/doc" "$dest/bin"
rm -rf "$work"
echo "$wanted" > "$stamp"
echo "MuPDF for Windows ($arch): built into $dest"
