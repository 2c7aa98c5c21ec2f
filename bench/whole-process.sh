#!/usr/bin/env bash
# Whole-process time and peak memory of veilmark beside pdftotext and mutool on the same file,
# measured in one run, as a user feels them: hyperfine for the time (mean of several runs),
# /usr/bin/time for the peak resident memory. Prints each command's figures and its ratio to
# pdftotext. Files: the 200-page sample, and a 1,000-page file made from it (five copies joined
# with mutool, written into the build folder, not committed).
# usage: bash bench/whole-process.sh [RUNS] [OTHER_VEILMARK]   (after a release build)
# With OTHER_VEILMARK (another build's program, say of the main branch before a change), its
# commands are measured in the same run too, for before-and-after ratios.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
other=${2:-}
[ -z "$other" ] || [ -x "$other" ] || { echo "not a program: $other" >&2; exit 1; }
veilmark=build/release/cli/veilmark
[ -x "$veilmark" ] || { echo "build first: cmake --preset release && cmake --build --preset release" >&2; exit 1; }
work=build/bench-whole-process
mkdir -p "$work"

sample=tests/data/bench-200.pdf
long=$work/bench-1000.pdf
[ -s "$long" ] || mutool merge -o "$long" "$sample" "$sample" "$sample" "$sample" "$sample"

declare -A peak200
for file in "$sample" "$long"; do
  pages=$(pdfinfo "$file" | awk '/^Pages:/ {print $2}')
  out=$work/out.pdf
  names=(pdftotext "mutool text" "veilmark scan" "protect --no-check" "protect (checked)")
  commands=(
    "pdftotext -q $file $work/out.txt"
    "mutool draw -q -F txt -o $work/out-mutool.txt $file"
    "$veilmark scan $file"
    "$veilmark protect $file -o $out --no-check"
    "$veilmark protect $file -o $out"
  )
  if [ -n "$other" ]; then
    names+=("other: scan" "other: --no-check" "other: checked")
    commands+=("$other scan $file" "$other protect $file -o $out --no-check" "$other protect $file -o $out")
  fi
  hyperfine --style none --warmup 1 --runs "$runs" --export-csv "$work/times.csv" \
    "${commands[@]}" >/dev/null 2>&1
  mapfile -t means < <(tail -n +2 "$work/times.csv" | cut -d, -f2)

  echo "== $file ($pages pages), mean of $runs runs"
  printf '%-20s %9s %8s %10s %8s\n' command seconds ratio "peak MiB" ratio
  basePeak=0
  for i in "${!commands[@]}"; do
    # /usr/bin/time writes its figure on stderr after the command's own messages.
    /usr/bin/time -f 'PEAK %M' ${commands[$i]} >/dev/null 2>"$work/stderr"
    kb=$(awk '/^PEAK/ {print $2}' "$work/stderr")
    [ "$i" -eq 0 ] && basePeak=$kb
    awk -v n="${names[$i]}" -v t="${means[$i]}" -v t0="${means[0]}" -v kb="$kb" -v kb0="$basePeak" \
      'BEGIN { printf "%-20s %9.3f %7.2fx %10.1f %7.2fx\n", n, t, t / t0, kb / 1024, kb / kb0 }'
    if [ "$file" = "$sample" ]; then
      peak200[$i]=$kb
    else
      awk -v kb="$kb" -v kb200="${peak200[$i]}" \
        'BEGIN { printf "%20s peak of 1,000 pages / peak of 200 pages: %.2fx\n", "", kb / kb200 }'
    fi
  done
  echo
done
rm -f "$work/out.pdf" "$work/out.txt" "$work/out-mutool.txt"
