#!/usr/bin/env bash
# Checks of the built DLL's tables, read with objdump:
#   exports    - exactly one export, by the undecorated name PlugInMain
#   imports    - only DLLs that ship with Windows (the compiler's runtime is linked in)
#   resources  - the resources named by the further arguments
#   format     - a DLL in the PE format named by the next argument (pei-i386, pei-x86-64)
set -euo pipefail
objdump=$1
dll=$2
check=$3

fail() {
  echo "FAIL ($check): $*" >&2
  exit 1
}

headers=$("$objdump" -p "$dll")

case $check in
  exports)
    names=$(awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next } on && NF == 0 { exit } on { print $NF }' <<<"$headers")
    count=$(awk '/^Export Address Table -- Ordinal Base/ { on = 1; next } on && /Export RVA|Forwarder RVA/ { n++ } on && NF == 0 { exit } END { print n + 0 }' <<<"$headers")
    [ "$names" = "PlugInMain" ] || fail "named exports are [${names//$'\n'/, }], expected [PlugInMain]"
    [ "$count" -eq 1 ] || fail "$count entries in the export address table, expected 1"
    ;;
  imports)
    system='^(kernel32|user32|gdi32|advapi32|comctl32|shell32|shlwapi|ole32|oleaut32|uxtheme|msvcrt|ntdll)\.dll$'
    dlls=$(awk '/DLL Name:/ { print $3 }' <<<"$headers")
    [ -n "$dlls" ] || fail "no import table"
    while read -r name; do
      grep -Eqi "$system" <<<"$name" || fail "imports $name, which does not ship with Windows"
    done <<<"$dlls"
    ;;
  resources)
    # Each further argument names a resource as TYPE/NAME: TYPE a number or a type name (PNG),
    # NAME a number. objdump prints the resource tree by depth: types, names, languages.
    entries=$(awk '
      function value(line,   v, n, i) {
        if (line ~ /Entry: name:/) { sub(/.*\]: /, "", line); sub(/, Value:.*/, "", line); return line }
        sub(/.*Entry: ID: 0x/, "", line); sub(/,.*/, "", line)
        n = 0
        for (i = 1; i <= length(line); i++) n = n * 16 + index("0123456789abcdef", tolower(substr(line, i, 1))) - 1
        return n
      }
      /^The \.rsrc Resource Directory section/ { on = 1; next }
      on && /Entry: (ID|name):/ {
        match($0, /^[0-9a-f]+ +/); depth = RLENGTH
        if (!(depth in level)) level[depth] = ++levels
        if (level[depth] == 1) type = value($0)
        else if (level[depth] == 2) print type "/" value($0)
      }' <<<"$headers")
    shift 3
    for wanted in "$@"; do
      grep -qx "$wanted" <<<"$entries" || fail "no resource $wanted (resources: ${entries//$'\n'/ })"
    done
    ;;
  format)
    grep -q "file format $4\$" <<<"$headers" || fail "not in the PE format $4"
    grep -Eq '^Characteristics.*' <<<"$headers" && grep -Eq '^[[:space:]]+DLL$' <<<"$headers" || fail "not a DLL"
    ;;
  *)
    fail "unknown check"
    ;;
esac
echo "ok ($check): $dll"
