#!/usr/bin/env bash
# Installs the named Debian packages that are not installed yet (apt-get; idempotent).
# A mirror in the middle of a sync, or a dropped connection, fails an update or a download now
# and then: each step is tried again a few times before the install is given up.
set -euo pipefail

missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
apt_get() { $SUDO apt-get -o DPkg::Lock::Timeout=600 -o Acquire::Retries=3 "$@"; }

# Runs "$@" up to three times, 15 and 30 s apart.
with_retries() {
  local attempt
  for attempt in 1 2 3; do
    "$@" && return 0
    [ "$attempt" -lt 3 ] || break
    echo "apt-install: '$*' failed (attempt $attempt of 3); trying again in $((attempt * 15)) s" >&2
    sleep $((attempt * 15))
  done
  return 1
}

# An index that still fails after the retries (one architecture's index of one suite, often)
# is left as apt left it, the last good copy or none: the install below says whether what is
# needed could be had without it.
with_retries apt_get update -qq ||
  echo "apt-install: some package indexes could not be updated; installing from the others" >&2
with_retries apt_get install -y -qq --no-install-recommends "${missing[@]}"
