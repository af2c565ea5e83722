#!/usr/bin/env bash
# The contract tests against the real API, under Wine: one CTest test per case.
#   contract.sh case SUITE.NAME    runs that one case on a fixed drive D: (exit 77: it skipped
#                                  itself, recording a known gap of Wine)
#   contract.sh listed FILE        checks that FILE (the cases CTest registered) names every case
#                                  that contract_tests.exe holds
. "$(dirname "$0")/lib.sh"

run_contract() {
    local out="$BENCH_RUN/contract.out" err="$BENCH_RUN/contract.err" rc=0
    bench_wine "$out" "$err" 'C:\bench\contract_tests.exe' "$@" || rc=$?
    cat "$out" "$err"
    return "$rc"
}

mode=${1:-}
bench_load
case "$mode" in
    case)
        bench_default_layout
        output=$(run_contract --gtest_filter="$2" | tr -d '\r') || fail "contract case $2 under Wine"
        echo "$output"
        # A case that records a known gap of Wine skips itself: CTest shows it as skipped.
        if [ "$BENCH_FAILURES" -eq 0 ] && grep -q '^\[  SKIPPED \] 1 test,' <<<"$output"; then exit 77; fi
        grep -q '^\[  PASSED  \] 1 test\.' <<<"$output" || fail "exactly one case ran and passed"
        ;;
    listed)
        held=$(run_contract --gtest_list_tests | tr -d '\r' | awk '/^[^ ]/ { suite = $1; next } /^  / { print suite $1 }' | grep -v '\.DISABLED_' | sort)
        registered=$(sort "$2")
        expect_same_lines "$registered" "$held" "every contract case is registered with CTest (a change in tests/contract re-runs cmake)"
        ;;
    *) bench_die "usage: contract.sh case SUITE.NAME | listed FILE" ;;
esac
bench_finish
