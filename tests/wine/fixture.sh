#!/usr/bin/env bash
# The Wine bench's fixture: "setup" makes a throwaway 64-bit prefix, a copy of the prepared prefix
# (made first when missing), starts Xvfb and a persistent wineserver, installs the bench's
# programs in C:\bench and chooses which build of Movendo.exe the tests run; "cleanup" stops both
# servers by their process ids and removes the prefix; "template" only makes the prepared prefix.
# Several benches can run side by side, each with its own MOVENDO_BENCH_DIR.
#
# Environment: MOVENDO_BENCH_DIR (where bench.env is written), MOVENDO_WIN32_DIR and
# MOVENDO_WIN64_DIR (the Windows build folders).
set -u
. "$(dirname "$0")/lib.sh"

MOVENDO_WIN32_DIR=${MOVENDO_WIN32_DIR:-}

cleanup() {
    [ -f "$MOVENDO_BENCH_DIR/bench.env" ] || return 0
    . "$MOVENDO_BENCH_DIR/bench.env"
    export WINEPREFIX
    if [ -n "${WINESERVER_PID:-}" ]; then bench_stop_server; fi
    if [ -n "${XVFB_PID:-}" ] && bench_runs "$XVFB_PID" Xvfb; then
        kill -TERM "$XVFB_PID" 2>/dev/null || true
        local i
        for i in $(seq 50); do bench_alive "$XVFB_PID" || break; sleep 0.05; done
        kill -KILL "$XVFB_PID" 2>/dev/null || true
    fi
    case "${BENCH_ROOT:-}" in
        */movendo-wine.*) bench_remove_tree "$BENCH_ROOT" ;;
    esac
    rm -f "$MOVENDO_BENCH_DIR/bench.env"
}

# True when this machine runs 32-bit programs: Wine's 32-bit loader is a 32-bit Linux program,
# which a kernel without 32-bit emulation cannot start.
can_run_32bit() {
    [ -x "$WINE32_LOADER" ] && "$WINE32_LOADER" --version >/dev/null 2>&1
}

setup() {
    local started=$SECONDS
    : "${MOVENDO_BENCH_DIR:?}" "${MOVENDO_WIN64_DIR:?}"
    for program in "$WINE64" "$WINESERVER"; do
        [ -x "$program" ] || bench_die "missing $program (run scripts/setup)"
    done
    command -v "$XVFB" >/dev/null || bench_die "missing Xvfb (run scripts/setup)"
    local exe
    for exe in Movendo movhelper standin_window standin_wait standin_service; do
        [ -f "$MOVENDO_WIN64_DIR/$exe.exe" ] || bench_die "missing $MOVENDO_WIN64_DIR/$exe.exe (run scripts/build)"
    done

    cleanup  # what an interrupted earlier run left
    mkdir -p "$MOVENDO_BENCH_DIR"
    bench_template || exit 1
    # Beside the prepared prefix, on the same file system, so that its DLL folders can be linked.
    BENCH_ROOT=$(mktemp -d "$(dirname "$BENCH_TEMPLATE")/movendo-wine.XXXXXX")
    WINEPREFIX="$BENCH_ROOT/prefix"
    bench_clone_prefix "$WINEPREFIX"
    mkdir -p "$BENCH_ROOT/drives"
    export WINEPREFIX

    # Xvfb picks a free display and writes its number to the descriptor named by -displayfd.
    (exec setsid "$XVFB" -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$BENCH_ROOT/display" \
        >"$BENCH_ROOT/xvfb.log" 2>&1 </dev/null) &
    XVFB_PID=$!
    local i
    for i in $(seq 100); do
        [ -s "$BENCH_ROOT/display" ] && break
        bench_alive "$XVFB_PID" || bench_die "Xvfb did not start: $(cat "$BENCH_ROOT/xvfb.log")"
        sleep 0.05
    done
    [ -s "$BENCH_ROOT/display" ] || bench_die "Xvfb gave no display"
    DISPLAY=":$(head -n1 "$BENCH_ROOT/display")"
    export DISPLAY

    cat >"$MOVENDO_BENCH_DIR/bench.env" <<EOF
BENCH_ROOT='$BENCH_ROOT'
WINEPREFIX='$WINEPREFIX'
DISPLAY='$DISPLAY'
XVFB_PID=$XVFB_PID
WINESERVER_PID=
MOVENDO_EXE_ARCH=
EOF
    BENCH_C="$WINEPREFIX/drive_c"
    BENCH_RUN="$BENCH_C/bench/run"

    # The usual layout before the server starts (the prepared prefix holds its types): the first
    # case needs no restart.
    bench_link_drives "${BENCH_DEFAULT_LAYOUT[@]}"
    echo "${BENCH_DEFAULT_LAYOUT[*]}" >"$BENCH_ROOT/layout"
    bench_start_server
    mkdir -p "$BENCH_RUN"

    local arch=x86_64 exe_dir=$MOVENDO_WIN64_DIR why="32-bit programs cannot run on this machine"
    if [ -n "$MOVENDO_WIN32_DIR" ] && [ -f "$MOVENDO_WIN32_DIR/Movendo.exe" ] && can_run_32bit; then
        cp "$MOVENDO_WIN32_DIR/Movendo.exe" "$BENCH_C/bench/probe32.exe"
        if (cd "$BENCH_C/bench" && "$WINE64" 'C:\bench\probe32.exe' >"$BENCH_RUN/probe.out" 2>&1 </dev/null); then
            arch=i686 exe_dir=$MOVENDO_WIN32_DIR why="32-bit programs run here"
        fi
        rm -f "$BENCH_C/bench/probe32.exe"
    fi
    for exe in movhelper standin_window standin_wait standin_service; do
        cp "$MOVENDO_WIN64_DIR/$exe.exe" "$BENCH_C/bench/"
    done
    cp "$exe_dir/Movendo.exe" "$BENCH_C/bench/Movendo.exe"
    sed -i "s/^MOVENDO_EXE_ARCH=.*/MOVENDO_EXE_ARCH=$arch/" "$MOVENDO_BENCH_DIR/bench.env"
    MOVENDO_EXE_ARCH=$arch

    bench_default_layout
    local drives
    drives=$(helper drives | tr '\n' ' ')
    [ "$drives" = "C: 3 D: 3 E: 3 " ] || bench_die "unexpected drives in the new prefix: $drives"
    echo "Wine bench ready in $((SECONDS - started)) s: prefix $WINEPREFIX, display $DISPLAY, $("$WINE64" --version)"
    echo "Movendo.exe under test: the $arch build ($why)"
}

case "${1:-}" in
    setup) setup ;;
    cleanup) : "${MOVENDO_BENCH_DIR:?}"; cleanup; echo "Wine bench removed" ;;
    template) bench_template ;;
    *) bench_die "usage: fixture.sh setup|cleanup|template" ;;
esac
