#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the release build, then the same suite
# under AddressSanitizer and UndefinedBehaviorSanitizer, then the interface tests on Wine's
# Win32 (winelib) under a virtual X screen, then the Windows DLL and its checks: the 32-bit one
# the editor loads (run in an emulated PC where this machine cannot run 32-bit programs), and the
# same sources built for 64-bit Windows; last, a short run of each fuzz target from its kept
# corpus (a crash, leak or sanitizer report fails the run).
set -euo pipefail
cd "$(dirname "$0")/.."

# Each stage's time is printed as it ends, and all of them at the end.
timings=()
stage_start=$SECONDS
stage_end() {
  local line
  line=$(printf '%-22s %4d:%02d' "$1" $(((SECONDS - stage_start) / 60)) $(((SECONDS - stage_start) % 60)))
  echo "== time: $line"
  timings+=("$line")
  stage_start=$SECONDS
}
trap 'echo "== stage times:"; printf "   %s\n" "${timings[@]}"' EXIT

bash scripts/install-deps.sh
bash scripts/install-wine-deps.sh
bash scripts/install-wine32.sh
stage_end "installs"
jobs=$(nproc)

# Where this machine cannot run the 32-bit host program itself, it runs in the emulated PC: its
# disk is made (about ten minutes, mostly downloads) or found while the other stages run.
guest_pid=
if ! bash scripts/can-run-32bit.sh 2>/dev/null || [ ! -x /usr/lib/wine/wine ]; then
  mkdir -p build
  echo "== the emulated PC's disk: made or found in the background (build/guest-image.log)"
  setsid bash scripts/guest-image.sh > build/guest-image.log 2>&1 &
  guest_pid=$!
  trap 'kill -- -"$guest_pid" 2>/dev/null || true; echo "== stage times:"; printf "   %s\n" "${timings[@]}"' EXIT
fi

for preset in release asan winelib; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset tests"
  ctest --preset "$preset" -j "$jobs"
  stage_end "$preset"
done

if [ -n "$guest_pid" ]; then
  echo "== waiting for the emulated PC's disk"
  wait "$guest_pid" || { tail -n 30 build/guest-image.log; echo "the emulated PC's disk could not be made (above)"; }
  guest_pid=
  stage_end "emulated PC disk"
fi

for preset in windows windows64; do
  echo "== $preset build"
  bash scripts/build-dll.sh "$preset"
  echo "== $preset tests"
  ctest --preset "$preset" -j "$jobs"
  stage_end "$preset"
done

echo "== fuzz (30 s per target)"
VM_FUZZ_SEED=1 bash fuzz/run.sh 30
stage_end "fuzz"
