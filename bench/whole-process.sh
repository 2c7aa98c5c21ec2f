#!/usr/bin/env bash
# Whole-process time and peak memory of veilmark beside pdftotext and mutool on the same file,
# measured in one run, as a user feels them. The commands are run in turn, round after round,
# each under /usr/bin/time (elapsed seconds and peak resident memory); each command's figure is
# the median of its rounds. Taking turns matters on a shared machine: a burst of other work then
# slows one round of every command instead of every round of one. Prints each command's figures
# and its ratio to pdftotext. Files: the 200-page sample, and a 1,000-page and a 10,000-page file
# made from it (copies joined with mutool, written into the build folder, not committed; the
# 10,000-page one is measured once). The peer line "mupdf redact" is MuPDF's own redaction of the
# occurrences veilmark finds (bench/mupdf-redact.js; the occurrences are listed before it is timed).
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
  rounds=$runs
  [ "$file" != "$longest" ] || rounds=1
  # A first round unmeasured on the short files, for the page cache.
  [ "$file" = "$longest" ] || for command in "${commands[@]}"; do $command >/dev/null 2>&1 || true; done
  declare -A samples=()
  for ((round = 0; round < rounds; round++)); do
    for i in "${!commands[@]}"; do
      # /usr/bin/time writes its figures on stderr after the command's own messages.
      /usr/bin/time -f 'FIGURES %e %M' ${commands[$i]} >/dev/null 2>"$work/stderr" || true
      samples[$i]+="$(awk '/^FIGURES/ {print $2 "," $3}' "$work/stderr") "
    done
  done
  median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

  echo "== $file ($pages pages), median of $rounds runs, commands taking turns"
  printf '%-20s %9s %8s %10s %8s\n' command seconds ratio "peak MiB" ratio
  baseTime=0 basePeak=0
  for i in "${!commands[@]}"; do
    seconds=$(printf '%s' "${samples[$i]}" | tr ' ' '\n' | cut -d, -f1 | median)
    kb=$(printf '%s' "${samples[$i]}" | tr ' ' '\n' | cut -d, -f2 | median)
    [ "$i" -eq 0 ] && baseTime=$seconds basePeak=$kb
    awk -v n="${names[$i]}" -v t="$seconds" -v t0="$baseTime" -v kb="$kb" -v kb0="$basePeak" \
      'BEGIN { printf "%-20s %9.3f %7.2fx %10.1f %7.2fx\n", n, t, t / t0, kb / 1024, kb / kb0 }'
    if [ "$file" = "$sample" ]; then
      peak200[$i]=$kb
      time200[$i]=$seconds
    else
      awk -v kb="$kb" -v kb200="${peak200[$i]}" -v t="$seconds" -v t200="${time200[$i]}" -v p="$pages" \
        'BEGIN { printf "%20s against 200 pages: peak %.2fx, time per page %.2fx\n", "", kb / kb200, (t / p) / (t200 / 200) }'
    fi
  done
  echo
done
rm -f "$work/out.pdf" "$work/out.txt" "$work/out-mutool.txt" "$work/out-mupdf.pdf" "$work/occurrences.jsonl"
