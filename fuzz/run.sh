#!/usr/bin/env bash
# Builds the fuzz targets (preset "fuzz", clang) and runs them.
#   fuzz/run.sh SECONDS [TARGET...]   run each target that long (default: all three)
# Each target starts from fuzz/corpus/TARGET (kept in the repository, small) and the seeds in
# fuzz/seeds; new inputs go to build/fuzz/corpus/TARGET. Crashes land in build/fuzz/findings.
# With VM_FUZZ_MERGE=1 the run's new coverage is merged back into fuzz/corpus/TARGET; with
# VM_FUZZ_SEED=N the mutations follow seed N, so that a short run tries the same inputs each time.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(FuzzDetect FuzzContentStream FuzzDocument)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

seeds_of() {
  case "$1" in
    FuzzDetect) echo fuzz/seeds/detect ;;
    FuzzContentStream) echo fuzz/seeds/content ;;
    FuzzDocument) echo fuzz/seeds/document ;;
  esac
}

mkdir -p build/fuzz/findings
for target in "${targets[@]}"; do
  kept="fuzz/corpus/$target"
  work="build/fuzz/corpus/$target"
  mkdir -p "$kept" "$work"
  echo "== $target: ${seconds}s"
  # Leaks are looked for at the end of each input; a page of a hostile file may take a while.
  # The content-stream target keeps one document for hundreds of inputs, so what one input
  # leaves in it is only seen when the document closes, inputs later: leaks there are not
  # attributable to an input and are left to the document target and the sanitizer tests.
  leaks=1
  [ "$target" = FuzzContentStream ] && leaks=0
  ASAN_OPTIONS="detect_leaks=$leaks:allocator_may_return_null=1" UBSAN_OPTIONS="print_stacktrace=1" \
    "build/fuzz/fuzz/$target" ${VM_FUZZ_SEED:+-seed="$VM_FUZZ_SEED"} -max_total_time="$seconds" -timeout=25 -rss_limit_mb=3072 \
      -max_len=65536 -print_final_stats=1 -artifact_prefix="build/fuzz/findings/$target-" \
      "$work" "$kept" "$(seeds_of "$target")"
  if [ "${VM_FUZZ_MERGE:-0}" = 1 ]; then
    ASAN_OPTIONS="detect_leaks=$leaks" "build/fuzz/fuzz/$target" -merge=1 -max_len=65536 \
      -artifact_prefix="build/fuzz/findings/$target-" "$kept" "$work" >/dev/null 2>&1
  fi
done
