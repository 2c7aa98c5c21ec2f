#!/usr/bin/env bash
# Compiles every source of the module for 32-bit Windows (syntax and semantics, no link): the
# host records' layout checks run in each file, and the code stays portable to the target.
# PCRE2's header is platform-neutral; it is taken from the build machine.
set -euo pipefail
compiler=$1
plugin=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
ln -s "$(dirname "$(readlink -f /usr/include/pcre2.h)")/pcre2.h" "$scratch/pcre2.h"
status=0
for source in "$plugin"/host/*.cpp "$plugin"/detect/*.cpp "$plugin"/mask/*.cpp "$plugin"/ui/*.cpp; do
  "$compiler" -std=c++20 -fsyntax-only -Wall -Wextra -Werror -DNOMINMAX -I"$plugin" -isystem "$scratch" "$source" || status=1
done
exit $status
