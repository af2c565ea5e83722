# The round trip of a stand-in installation through "/get", a reinstall and "/set" in the bench
# prefix, shared by the demo and the round-trip test. Sourced after tests/wine/lib.sh and
# bench_load.

# Copies the stand-in installer and the inspector beside the bench's other programs.
suite_prepare() {
    local exe
    for exe in movsuite MovendoCheck; do
        cp "$MOVENDO_WIN64_DIR/$exe.exe" "$BENCH_C/bench/$exe.exe" || bench_die "missing $MOVENDO_WIN64_DIR/$exe.exe"
    done
}

# suite ARGS...: runs movsuite; its output in $BENCH_RUN/suite.out; returns its exit code.
suite() {
    local rc=0
    bench_wine "$BENCH_RUN/suite.out" "$BENCH_RUN/suite.err" 'C:\bench\movsuite.exe' "$@" || rc=$?
    return "$rc"
}

# check ARGS...: runs MovendoCheck; its output in $BENCH_RUN/check.out; returns its exit code.
check() {
    local rc=0
    bench_wine "$BENCH_RUN/check.out" "$BENCH_RUN/check.err" 'C:\bench\MovendoCheck.exe' "$@" || rc=$?
    return "$rc"
}

# Removes what an earlier case left of the suite: its keys and data folders.
suite_clean() {
    suite reinstall >/dev/null || bench_die "movsuite reinstall failed: $(cat "$BENCH_RUN/suite.out")"
}
