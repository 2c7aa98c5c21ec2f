#!/usr/bin/env bash
# Exits 0 when this machine can run 32-bit x86 programs (what 32-bit Wine needs), else 1 with
# the reason on standard error. Some kernels (virtual machines among them) run 64-bit programs
# only: there 32-bit Wine cannot start.
set -uo pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
printf '.globl _start\n_start:\n  movl $1, %%eax\n  xorl %%ebx, %%ebx\n  int $0x80\n' > "$scratch/exit.s"
if ! as --32 -o "$scratch/exit.o" "$scratch/exit.s" || ! ld -m elf_i386 -o "$scratch/exit" "$scratch/exit.o"; then
  echo "cannot build a 32-bit test program" >&2
  exit 1
fi
if ! reason=$("$scratch/exit" 2>&1); then
  echo "32-bit programs do not run on this machine: ${reason:-exit status $?}" >&2
  exit 1
fi
exit 0
