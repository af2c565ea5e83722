#!/usr/bin/env bash
# A shipped program: a 32-bit program for i386 of its subsystem that needs only DLLs that Windows
# ships, with its manifest (its execution level, no UI access) and version resource embedded.
# check_image.sh EXE [SUBSYSTEM LEVEL]: by default a GUI program that asks for requireAdministrator.
set -u
exe=${1:?usage: check_image.sh EXE [gui|console LEVEL]}
subsystem=${2:-gui}
level=${3:-requireAdministrator}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
failures=0
check() {  # check WHAT COMMAND...
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}

[ -f "$exe" ] || { echo "FAIL: no $exe"; exit 1; }
headers=$("$objdump" -p "$exe") || { echo "FAIL: objdump cannot read $exe"; exit 1; }
check "PE32 for i386" grep -q 'file format pei-i386' <<<"$headers"
check "32-bit optional header (magic 010b)" grep -Eq '^Magic[[:space:]]+010b' <<<"$headers"
declare -A subsystems=([gui]=2 [console]=3)
check "$subsystem subsystem" grep -Eq "^Subsystem[[:space:]]+0000000${subsystems[$subsystem]}" <<<"$headers"

# Every imported DLL is one that Windows itself ships (no C or C++ runtime DLL of the toolchain).
allowed='^(kernel32|advapi32|shell32|user32|msvcrt|ntdll|wtsapi32|ole32|shlwapi|comctl32|gdi32|api-ms-win-[a-z0-9-]+)\.dll$'
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | sort -u)
echo "  imports: $(echo $dlls)"
check "imports found" test -n "$dlls"
bad=$(grep -Ev "$allowed" <<<"$dlls" || true)
check "only system DLLs imported${bad:+ (not: $bad)}" test -z "$bad"

# The manifest and the version resource are in the resource section.
resources=$(mktemp)
trap 'rm -f "$resources"' EXIT
"${OBJCOPY:-i686-w64-mingw32-objcopy}" -O binary --only-section=.rsrc "$exe" "$resources"
check "manifest asks for $level" grep -aq "level=\"$level\"" "$resources"
check "manifest sets uiAccess false" grep -aq 'uiAccess="false"' "$resources"
version=$(LC_ALL=C tr -d '\000' <"$resources")
check "version resource" grep -aq 'VS_VERSION_INFO' <<<"$version"
check "version resource names ${exe##*/}" grep -aq "OriginalFilename${exe##*/}" <<<"$version"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
