#!/usr/bin/env bash
# Checks the export and import tables of Corvane.dll: check-exports.sh DLL win32|win64
# Fails on a decorated export name (stdcall "@n"), on a missing or an extra export (exactly the
# seven plug-in entry points), and on any imported mingw runtime DLL (the runtime is static).
set -euo pipefail
dll=$1
arch=$2
case $arch in
  win32) objdump=i686-w64-mingw32-objdump ;;
  win64) objdump=x86_64-w64-mingw32-objdump ;;
  *) echo "check-exports.sh: unknown architecture '$arch'" >&2; exit 2 ;;
esac

expected="GetBitmapID GetMenuTextID GetStatusMessageID OnCommand OnEvents PlugInProc QueryStatus"

dump=$(LC_ALL=C "$objdump" -p "$dll")  # parsed below: the C locale's words
status=0

# Export names are the last field of the rows under "[Ordinal/Name Pointer] Table".
exports=$(awk '/^\[Ordinal\/Name Pointer\] Table/ {on = 1; next}
               on && /^[[:space:]]*\[[[:space:]]*[0-9]+\]/ {print $NF; next}
               on {on = 0}' <<<"$dump" | sort)
if [ -z "$exports" ]; then
  echo "FAIL: no export table found in $dll"
  exit 1
fi
echo "exports: $(tr '\n' ' ' <<<"$exports")"

if grep -q '@' <<<"$exports"; then
  echo "FAIL: decorated export name(s): $(grep '@' <<<"$exports" | tr '\n' ' ')"
  status=1
fi
missing=$(comm -23 <(tr ' ' '\n' <<<"$expected" | sort) <(sort <<<"$exports"))
extra=$(comm -13 <(tr ' ' '\n' <<<"$expected" | sort) <(sort <<<"$exports"))
if [ -n "$missing" ]; then
  echo "FAIL: missing export(s): $(tr '\n' ' ' <<<"$missing")"
  status=1
fi
if [ -n "$extra" ]; then
  echo "FAIL: unexpected export(s): $(tr '\n' ' ' <<<"$extra")"
  status=1
fi

imports=$(awk '/DLL Name:/ {print $3}' <<<"$dump" | sort -u)
echo "imports: $(tr '\n' ' ' <<<"$imports")"
if [ -z "$imports" ]; then
  echo "FAIL: no import table found in $dll"
  status=1
fi
runtime=$(grep -iE '^(libgcc|libstdc\+\+|libwinpthread)' <<<"$imports" || true)
if [ -n "$runtime" ]; then
  echo "FAIL: imports mingw runtime DLL(s): $(tr '\n' ' ' <<<"$runtime")"
  status=1
fi

[ $status -eq 0 ] && echo "OK: $dll ($arch)"
exit $status
