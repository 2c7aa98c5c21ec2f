#!/usr/bin/env bash
# Whole-process time and peak memory of veilmark beside pdftotext and mutool on the same file,
# measured in one run, as a user feels them: hyperfine for the time (median of several runs,
# which a burst of other work on the machine moves less than the mean),
# /usr/bin/time for the peak resident memory. Prints each command's figures and its ratio to
# pdftotext. Files: the 200-page sample, and a 1,000-page and a 10,000-page file made from it
# (copies joined with mutool, written into the build folder, not committed; the 10,000-page one
# is measured once). The peer line "mupdf redact" is MuPDF's own redaction of the occurrences
# veilmark finds (bench/mupdf-redact.js; the occurrences are listed before it is timed).
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
longest=$work/bench-10000.pdf
copies() { local n=$1; while [ "$n" -gt 0 ]; do printf '%s\n' "$sample"; n=$((n - 1)); done; }
[ -s "$long" ] || mutool merge -o "$long" $(copies 5)
[ -s "$longest" ] || mutool merge -o "$longest" $(copies 50)

declare -A peak200 time200
for file in "$sample" "$long" "$longest"; do
  pages=$(pdfinfo "$file" | awk '/^Pages:/ {print $2}')
  out=$work/out.pdf
  occurrences=$work/occurrences.jsonl
  "$veilmark" scan --json "$file" > "$occurrences" || true
  names=(pdftotext "mutool text" "mupdf redact" "veilmark scan" "protect --no-check" "protect (checked)")
  commands=(
    "pdftotext -q $file $work/out.txt"
    "mutool draw -q -F txt -o $work/out-mutool.txt $file"
    "mutool run bench/mupdf-redact.js $file $occurrences $work/out-mupdf.pdf"
    "$veilmark scan $file"
    "$veilmark protect $file -o $out --no-check"
    "$veilmark protect $file -o $out"
  )
  if [ -n "$other" ]; then
    names+=("other: scan" "other: --no-check" "other: checked")
    commands+=("$other scan $file" "$other protect $file -o $out --no-check" "$other protect $file -o $out")
  fi
  fileRuns=$runs warmup=1
  [ "$file" != "$longest" ] || fileRuns=1 warmup=0
  hyperfine --style none --warmup "$warmup" --runs "$fileRuns" --export-csv "$work/times.csv" \
    "${commands[@]}" >/dev/null 2>&1
  mapfile -t means < <(tail -n +2 "$work/times.csv" | cut -d, -f4)

  echo "== $file ($pages pages), median of $fileRuns runs"
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
      time200[$i]=${means[$i]}
    else
      awk -v kb="$kb" -v kb200="${peak200[$i]}" -v t="${means[$i]}" -v t200="${time200[$i]}" -v p="$pages" \
        'BEGIN { printf "%20s against 200 pages: peak %.2fx, time per page %.2fx\n", "", kb / kb200, (t / p) / (t200 / 200) }'
    fi
  done
  echo
done
rm -f "$work/out.pdf" "$work/out.txt" "$work/out-mutool.txt" "$work/out-mupdf.pdf" "$work/occurrences.jsonl"
