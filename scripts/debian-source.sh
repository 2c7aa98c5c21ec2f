# Sourced by the scripts that cross-build libraries for Windows: fetches Debian's own source
# package of the release a Linux package of this machine was built from, checks it and unpacks it.
#
#   fetch_debian_source SOURCE BINARY DEST WORK
# SOURCE: the source package (pcre2, mupdf...); BINARY: the installed Linux package whose source
# version is wanted (libpcre2-dev...); DEST: where the unpacked tree goes (DEST/version then
# holds the Debian version fetched); WORK: a scratch folder, removed at the end.
# Does nothing when DEST already holds a source of the same upstream release.
#
# The source comes through apt-get with a private source list in WORK (deb-src entries for the
# Debian archives the machine's own apt uses); the machine's apt configuration is not touched.
# apt checks the files against the signed archive index; every file is checked again against
# its SHA-256 in the .dsc before unpacking.
fetch_debian_source() {
  local source_package=$1 binary_package=$2 dest work
  dest=$(realpath -m "$3") work=$(realpath -m "$4")
  local linux_version upstream
  linux_version=$(dpkg-query -W -f='${source:Version}' "$binary_package")
  upstream=${linux_version#*:}
  upstream=${upstream%-*}
  if [ -f "$dest/version" ] && [ "$(debian_upstream "$(cat "$dest/version")")" = "$upstream" ]; then
    return 0
  fi
  if ! (
    set -euo pipefail
    local apt_dir=$work/apt
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
    local apt_options=(
      -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/sources"
      -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
      -o APT::Sandbox::User=root
    )
    apt-get "${apt_options[@]}" -qq update

    # The Linux library's own source version first; when the mirror cannot serve it (security
    # archives often do not keep sources), the newest other version of the same upstream release.
    local versions candidates version source_version=
    mapfile -t versions < <(apt-cache "${apt_options[@]}" showsrc "$source_package" |
      awk '/^Version:/ { print $2 }' | sort -rV | uniq)
    candidates=("$linux_version")
    for version in "${versions[@]}"; do
      [ "$version" != "$linux_version" ] && [ "$(debian_upstream "$version")" = "$upstream" ] && candidates+=("$version")
    done
    for version in "${candidates[@]}"; do
      rm -f "$work/download"/*
      if (cd "$work/download" && apt-get "${apt_options[@]}" -qq source --download-only "$source_package=$version" >/dev/null 2>&1); then
        source_version=$version
        break
      fi
      echo "$source_package: source $version not available from the mirror" >&2
    done
    [ -n "$source_version" ] || { echo "$source_package: no source of $upstream could be fetched" >&2; exit 1; }

    cd "$work/download"
    local dsc
    dsc=$(ls "${source_package}"_*.dsc)
    awk '/^Checksums-Sha256:/ { on = 1; next } /^[^ ]/ { on = 0 } on && NF == 3 { print $1 "  " $3 }' "$dsc" > checksums
    [ -s checksums ] || { echo "$source_package: $dsc lists no SHA-256 checksums" >&2; exit 1; }
    grep -q "${source_package}_${upstream}.orig.tar" checksums || { echo "$source_package: $dsc is not of $upstream" >&2; exit 1; }
    sha256sum --quiet -c checksums
    rm -rf "$dest"
    dpkg-source --no-check --no-copy -x "$dsc" "$dest" >/dev/null
    echo "$source_version" > "$dest/version"
    echo "$source_package: Debian source $source_version checked and unpacked"
  ); then
    rm -rf "$work"
    return 1
  fi
  rm -rf "$work"
}

# The upstream part of a Debian version: no epoch, no Debian revision.
debian_upstream() {
  local version=${1#*:}
  echo "${version%-*}"
}
