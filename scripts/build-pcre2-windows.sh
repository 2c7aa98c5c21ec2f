#!/usr/bin/env bash
# Builds PCRE2 for Windows from Debian's own source package, so that the DLL matches exactly as
# the Linux build does: the same upstream release and Debian's changes to it, the 16-bit library
# with JIT, static.
#   build-pcre2-windows.sh ARCH DEPS      ARCH: i686 or x86_64; DEPS: default build/windows-deps
# Installs into DEPS/ARCH and keeps the checked source in DEPS/pcre2-source: a second run with
# the same source version does nothing.
# The source is fetched and checked by scripts/debian-source.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=$1
deps=$(mkdir -p "${2:-$root/build/windows-deps}" && cd "${2:-$root/build/windows-deps}" && pwd)
dest=$deps/$arch
source=$deps/pcre2-source
work=$deps/pcre2-work
stamp=$dest/pcre2-source-version

linux_version=$(dpkg-query -W -f='${source:Version}' libpcre2-dev)
upstream=${linux_version%-*}
if [ -f "$stamp" ] && [ -f "$dest/lib/libpcre2-16.a" ] && grep -q "^${upstream}-" "$stamp"; then
  echo "PCRE2 for Windows ($arch): $(cat "$stamp") already built in $dest"
  exit 0
fi
source "$root/scripts/debian-source.sh"
fetch_debian_source pcre2 libpcre2-dev "$source" "$work"

# ---- build and install the 16-bit static library with JIT ----
rm -rf "$work"
cmake -S "$source" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw.cmake" -DVM_WINDOWS_ARCH="$arch" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$dest" \
  -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON \
  -DPCRE2_BUILD_PCRE2_8=OFF -DPCRE2_BUILD_PCRE2_16=ON -DPCRE2_BUILD_PCRE2_32=OFF \
  -DPCRE2_SUPPORT_JIT=ON -DPCRE2_SUPPORT_UNICODE=ON \
  -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF >/dev/null
cmake --build "$work/build" -j "$(nproc)" >/dev/null
cmake --install "$work/build" >/dev/null
rm -rf "$dest/man" "$dest/share"
cp "$source/version" "$stamp"
rm -rf "$work"
echo "PCRE2 for Windows ($arch): $(cat "$stamp") built into $dest"
