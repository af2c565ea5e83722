#!/usr/bin/env bash
# The Wine rig's fixture: "setup" makes a throwaway 64-bit prefix, a copy of the prepared prefix
# (made first when missing), starts Xvfb and a persistent wineserver, installs the rig's
# programs in C:\rig and chooses which build of Movendo.exe the tests run; "cleanup" stops both
# servers by their process ids and removes the prefix; "template" only makes the prepared prefix.
# Several rigs can run side by side, each with its own MOVENDO_RIG_DIR.
#
# Environment: MOVENDO_RIG_DIR (where rig.env is written), MOVENDO_WIN32_DIR and
# MOVENDO_WIN64_DIR (the Windows build folders).
set -u
. "$(dirname "$0")/lib.sh"

MOVENDO_WIN32_DIR=${MOVENDO_WIN32_DIR:-}

cleanup() {
    [ -f "$MOVENDO_RIG_DIR/rig.env" ] || return 0
    . "$MOVENDO_RIG_DIR/rig.env"
    export WINEPREFIX
    if [ -n "${WINESERVER_PID:-}" ]; then rig_stop_server; fi
    if [ -n "${XVFB_PID:-}" ] && rig_runs "$XVFB_PID" Xvfb; then
        kill -TERM "$XVFB_PID" 2>/dev/null || true
        local i
        for i in $(seq 50); do rig_alive "$XVFB_PID" || break; sleep 0.05; done
        kill -KILL "$XVFB_PID" 2>/dev/null || true
    fi
    case "${RIG_ROOT:-}" in
        */movendo-wine.*) rig_remove_tree "$RIG_ROOT" ;;
    esac
    rm -f "$MOVENDO_RIG_DIR/rig.env"
}

# True when this machine runs 32-bit programs: Wine's 32-bit loader is a 32-bit Linux program,
# which a kernel without 32-bit emulation cannot start.
can_run_32bit() {
    [ -x "$WINE32_LOADER" ] && "$WINE32_LOADER" --version >/dev/null 2>&1
}

setup() {
    local started=$SECONDS
    : "${MOVENDO_RIG_DIR:?}" "${MOVENDO_WIN64_DIR:?}"
    for program in "$WINE64" "$WINESERVER"; do
        [ -x "$program" ] || rig_die "missing $program (run scripts/setup)"
    done
    command -v "$XVFB" >/dev/null || rig_die "missing Xvfb (run scripts/setup)"
    local exe
    for exe in Movendo movhelper standin_window standin_wait standin_service standin_scanner; do
        [ -f "$MOVENDO_WIN64_DIR/$exe.exe" ] || rig_die "missing $MOVENDO_WIN64_DIR/$exe.exe (run scripts/build)"
    done

    cleanup  # what an interrupted earlier run left
    mkdir -p "$MOVENDO_RIG_DIR"
    rig_template || exit 1
    # Beside the prepared prefix, on the same file system, so that its DLL folders can be linked.
    RIG_ROOT=$(mktemp -d "$(dirname "$RIG_TEMPLATE")/movendo-wine.XXXXXX")
    WINEPREFIX="$RIG_ROOT/prefix"
    rig_clone_prefix "$WINEPREFIX"
    mkdir -p "$RIG_ROOT/drives"
    export WINEPREFIX

    # Xvfb picks a free display and writes its number to the descriptor named by -displayfd.
    (exec setsid "$XVFB" -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$RIG_ROOT/display" \
        >"$RIG_ROOT/xvfb.log" 2>&1 </dev/null) &
    XVFB_PID=$!
    local i
    for i in $(seq 100); do
        [ -s "$RIG_ROOT/display" ] && break
        rig_alive "$XVFB_PID" || rig_die "Xvfb did not start: $(cat "$RIG_ROOT/xvfb.log")"
        sleep 0.05
    done
    [ -s "$RIG_ROOT/display" ] || rig_die "Xvfb gave no display"
    DISPLAY=":$(head -n1 "$RIG_ROOT/display")"
    export DISPLAY

    cat >"$MOVENDO_RIG_DIR/rig.env" <<EOF
RIG_ROOT='$RIG_ROOT'
WINEPREFIX='$WINEPREFIX'
DISPLAY='$DISPLAY'
XVFB_PID=$XVFB_PID
WINESERVER_PID=
MOVENDO_EXE_ARCH=
EOF
    RIG_C="$WINEPREFIX/drive_c"
    RIG_RUN="$RIG_C/rig/run"

    # The usual layout before the server starts (the prepared prefix holds its types): the first
    # case needs no restart.
    rig_link_drives "${RIG_DEFAULT_LAYOUT[@]}"
    echo "${RIG_DEFAULT_LAYOUT[*]}" >"$RIG_ROOT/layout"
    rig_start_server
    mkdir -p "$RIG_RUN"

    local arch=x86_64 exe_dir=$MOVENDO_WIN64_DIR why="32-bit programs cannot run on this machine"
    if [ -n "$MOVENDO_WIN32_DIR" ] && [ -f "$MOVENDO_WIN32_DIR/Movendo.exe" ] && can_run_32bit; then
        cp "$MOVENDO_WIN32_DIR/Movendo.exe" "$RIG_C/rig/probe32.exe"
        if (cd "$RIG_C/rig" && "$WINE64" 'C:\rig\probe32.exe' >"$RIG_RUN/probe.out" 2>&1 </dev/null); then
            arch=i686 exe_dir=$MOVENDO_WIN32_DIR why="32-bit programs run here"
        fi
        rm -f "$RIG_C/rig/probe32.exe"
    fi
    for exe in movhelper standin_window standin_wait standin_service standin_scanner; do
        cp "$MOVENDO_WIN64_DIR/$exe.exe" "$RIG_C/rig/"
    done
    cp "$exe_dir/Movendo.exe" "$RIG_C/rig/Movendo.exe"
    sed -i "s/^MOVENDO_EXE_ARCH=.*/MOVENDO_EXE_ARCH=$arch/" "$MOVENDO_RIG_DIR/rig.env"
    MOVENDO_EXE_ARCH=$arch

    rig_default_layout
    local drives
    drives=$(helper drives | tr '\n' ' ')
    [ "$drives" = "C: 3 D: 3 E: 3 " ] || rig_die "unexpected drives in the new prefix: $drives"
    # The two known folders the program looks up, as the platform names them in this prefix.
    local common local_
    common=$(helper folder common_appdata | tr -d '\r') && local_=$(helper folder local_appdata | tr -d '\r') ||
        rig_die "cannot read the known folders"
    printf "RIG_COMMON_APPDATA='%s'\nRIG_LOCAL_APPDATA='%s'\n" "$common" "$local_" >>"$MOVENDO_RIG_DIR/rig.env"
    echo "Wine rig ready in $((SECONDS - started)) s: prefix $WINEPREFIX, display $DISPLAY, $("$WINE64" --version)"
    echo "Movendo.exe under test: the $arch build ($why)"
}

case "${1:-}" in
    setup) setup ;;
    cleanup) : "${MOVENDO_RIG_DIR:?}"; cleanup; echo "Wine rig removed" ;;
    template) rig_template ;;
    *) rig_die "usage: fixture.sh setup|cleanup|template" ;;
esac
