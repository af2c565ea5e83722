#!/usr/bin/env bash
# Runs a GoogleTest program of the x86_64 Windows build under Wine: the emulator through which
# CTest lists the contract tests and runs each case (the GoogleTest module's registration).
#   contract.sh PROGRAM.exe --gtest_list_tests    the list of cases, read in a throwaway copy of
#                                                 the prepared prefix (no rig is running yet)
#   contract.sh PROGRAM.exe --gtest_filter=CASE   one case in the rig of MOVENDO_RIG_DIR, on
#                                                 a fixed drive D: (exit 77: it skipped itself,
#                                                 recording a known gap of Wine)
. "$(dirname "$0")/lib.sh"

program=${1:?usage: contract.sh PROGRAM.exe GTEST_ARGUMENTS...}
shift
name=$(basename "$program")

# The list: only the program's own output, which CTest reads, on standard output.
if [ -z "${MOVENDO_RIG_DIR:-}" ]; then
    rig_template >&2 || exit 1
    scratch=$(mktemp -d "$(dirname "$RIG_TEMPLATE")/movendo-wine.XXXXXX")
    trap 'WINEPREFIX="$scratch/prefix" "$WINESERVER" -k >/dev/null 2>&1; rig_remove_tree "$scratch"' EXIT
    rig_clone_prefix "$scratch/prefix"
    cp "$program" "$scratch/prefix/drive_c/$name"
    rc=0
    (cd "$scratch/prefix/drive_c" && WINEPREFIX="$scratch/prefix" exec "$WINE64" "C:\\$name" "$@" \
        >"$scratch/out" 2>"$scratch/err" </dev/null) || rc=$?
    tr -d '\r' <"$scratch/out"
    [ "$rc" -eq 0 ] || cat "$scratch/err" >&2
    exit "$rc"
fi

rig_load
rig_default_layout
cmp -s "$program" "$RIG_C/rig/$name" || cp "$program" "$RIG_C/rig/$name" || rig_die "cannot install $name"
out="$RIG_RUN/contract.out" err="$RIG_RUN/contract.err"
rc=0
rig_wine "$out" "$err" "C:\\rig\\$name" "$@" || rc=$?
output=$(cat "$out" "$err" | tr -d '\r')
echo "$output"
[ "$rc" -eq 0 ] || fail "$name $* under Wine: exit status $rc"
# A case that records a known gap of Wine skips itself: CTest shows it as skipped.
if [ "$RIG_FAILURES" -eq 0 ] && grep -q '^\[  SKIPPED \] 1 test,' <<<"$output"; then exit 77; fi
grep -q '^\[  PASSED  \] 1 test\.' <<<"$output" || fail "exactly one case ran and passed"
rig_finish
