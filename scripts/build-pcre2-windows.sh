#!/usr/bin/env bash
# Builds PCRE2 for Windows from Debian's own source package, so that the DLL matches exactly as
# the Linux build does: the same upstream release and Debian's changes to it, the 16-bit library
# with JIT, static.
#   build-pcre2-windows.sh ARCH DEPS      ARCH: i686 or x86_64; DEPS: default build/windows-deps
# Installs into DEPS/ARCH and keeps the checked source in DEPS/pcre2-source: a second run with
# the same source version does nothing.
#
# The source comes through apt-get with a private source list in DEST/apt (deb-src entries for
# the Debian archives the machine's own apt uses); the machine's apt configuration is not
# touched. apt checks the files against the signed archive index; this script checks them
# again against the checksums in the .dsc before unpacking.
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
# Fetches, checks and unpacks Debian's source of the Linux library's upstream release into
# $source (the source version in $source/version).
fetch_source() {
  # ---- a private deb-src list naming the Debian archives and suites of the machine's apt ----
  apt_dir=$work/apt
  rm -rf "$work"
  mkdir -p "$apt_dir/sources" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$work/download"
  {
    for file in /etc/apt/sources.list.d/*.sources; do
      [ -f "$file" ] || continue
      # deb822 stanzas: keep those of Debian archives, as source entries.
      awk 'BEGIN { RS = ""; ORS = "\n\n" }
           /URIs:[^\n]*debian/ && /Types:[^\n]*deb/ { sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$file"
    done
  } > "$apt_dir/sources/debian-src.sources"
  {
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
      [ -f "$file" ] || continue
      grep -E '^deb[[:space:]].*debian' "$file" | sed -E 's/^deb[[:space:]]/deb-src /' || true
    done
  } > "$apt_dir/sources/debian-src.list"
  apt_options=(
    -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/sources"
    -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
    -o APT::Sandbox::User=root
  )
  apt-get "${apt_options[@]}" -qq update

  # The Linux library's own source version first; when the mirror cannot serve it (security
  # archives often do not keep sources), the newest other version of the same upstream release.
  mapfile -t versions < <(apt-cache "${apt_options[@]}" showsrc pcre2 |
    awk '/^Version:/ { print $2 }' | sort -rV | uniq)
  candidates=("$linux_version")
  for version in "${versions[@]}"; do
    [ "$version" != "$linux_version" ] && [ "${version%-*}" = "$upstream" ] && candidates+=("$version")
  done
  source_version=
  for version in "${candidates[@]}"; do
    rm -f "$work/download"/*
    if (cd "$work/download" && apt-get "${apt_options[@]}" -qq source --download-only "pcre2=$version" >/dev/null 2>&1); then
      source_version=$version
      break
    fi
    echo "PCRE2 for Windows: source $version not available from the mirror" >&2
  done
  [ -n "$source_version" ] || { echo "PCRE2 for Windows: no source of $upstream could be fetched" >&2; exit 1; }

  # ---- verify every file the .dsc lists against its SHA-256 there ----
  cd "$work/download"
  dsc=$(ls pcre2_*.dsc)
  awk '/^Checksums-Sha256:/ { on = 1; next } /^[^ ]/ { on = 0 } on && NF == 3 { print $1 "  " $3 }' "$dsc" > checksums
  [ -s checksums ] || { echo "PCRE2 for Windows: $dsc lists no SHA-256 checksums" >&2; exit 1; }
  grep -q "pcre2_${upstream}.orig.tar" checksums || { echo "PCRE2 for Windows: $dsc is not of $upstream" >&2; exit 1; }
  sha256sum --quiet -c checksums
  rm -rf "$source"
  dpkg-source --no-check --no-copy -x "$dsc" "$source" >/dev/null
  echo "$source_version" > "$source/version"
}

if [ ! -f "$source/version" ] || ! grep -q "^${upstream}-" "$source/version"; then
  (fetch_source)
fi

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
