# The Wine rig: functions shared by the rig's fixture and its test scripts. Sourced, not run.
#
# One prefix serves a whole CTest run. The fixture (fixture.sh) makes it and writes its facts to
# $MOVENDO_RIG_DIR/rig.env; every test script sources this file, which reads them back. A
# test script sets the drive layout it needs (rig_layout), which also empties every drive
# folder, and removes the registry keys it seeds before seeding them, so tests do not depend on
# one another. Output of every wine process goes to files: programs that Wine starts in the
# background inherit the descriptors, and would keep a pipe open after the test has ended.

set -u

WINE64=${WINE64:-/usr/lib/wine/wine64}
WINE32_LOADER=${WINE32_LOADER:-/usr/lib/wine/wine}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
XVFB=${XVFB:-Xvfb}

export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Host file names are UTF-8 whatever the caller's locale.
export LC_ALL=C.UTF-8

RIG_FAILURES=0

rig_die() {
    echo "rig: $*" >&2
    exit 1
}

rig_note() { echo "  $*"; }

# Reads the facts of the running rig: its folders, display and server, the build of Movendo.exe
# under test and the paths of the known folders (RIG_COMMON_APPDATA, RIG_LOCAL_APPDATA).
rig_load() {
    [ -n "${MOVENDO_RIG_DIR:-}" ] || rig_die "MOVENDO_RIG_DIR is not set"
    [ -f "$MOVENDO_RIG_DIR/rig.env" ] || rig_die "no rig prefix in $MOVENDO_RIG_DIR: its fixture (wine.rigN.setup) has not run"
    # shellcheck disable=SC1091
    . "$MOVENDO_RIG_DIR/rig.env"
    export WINEPREFIX DISPLAY
    RIG_C="$WINEPREFIX/drive_c"
    RIG_RUN="$RIG_C/rig/run"
    mkdir -p "$RIG_RUN"
}

# ---- wine and the helper -----------------------------------------------------------------------

# rig_wine OUT ERR PROGRAM ARGS...: one Windows program, its output in the files OUT and ERR,
# started in C:\rig so that its working folder exists inside the prefix.
rig_wine() {
    local out=$1 err=$2
    shift 2
    (cd "$RIG_C/rig" && exec "$WINE64" "$@" >"$out" 2>"$err" </dev/null)
}

# helper ARGS...: runs movhelper; prints its output; its errors go to stderr.
helper() {
    local rc=0
    rig_wine "$RIG_RUN/helper.out" "$RIG_RUN/helper.err" 'C:\rig\movhelper.exe' "$@" || rc=$?
    cat "$RIG_RUN/helper.out"
    if [ "$rc" -ne 0 ]; then
        echo "movhelper $1 exited with $rc" >&2
        cat "$RIG_RUN/helper.err" >&2
    fi
    return "$rc"
}

# Starts a program in the background (a stand-in of the suite). SPAWN_LOG is the file that gets
# its output and, once it has ended, its exit status.
RIG_SPAWNED=0
rig_spawn() {
    local name=$1
    shift
    RIG_SPAWNED=$((RIG_SPAWNED + 1))
    SPAWN_LOG="$RIG_RUN/$name.$RIG_SPAWNED.log"
    (
        cd "$RIG_C/rig" || exit 1
        "$WINE64" "$@" >"$SPAWN_LOG" 2>&1 </dev/null
        echo "exit status $?" >>"$SPAWN_LOG"
    ) </dev/null >/dev/null 2>&1 &
}

# The service manager's own command, and a wait for a service's state.
sc_run() { rig_wine "$RIG_RUN/sc.out" "$RIG_RUN/sc.err" sc "$@"; }

wait_service() {  # wait_service NAME STATE SECONDS
    helper waitsvc "$1" "$2" "$(($3 * 1000))" >/dev/null 2>&1
}

# The host path of a Windows path on C: or on a rig drive.
host_path() {
    local path=$1 letter rest
    letter=$(printf '%s' "${path:0:1}" | tr 'A-Z' 'a-z')
    rest=${path:2}
    rest=${rest//\\//}
    if [ "$letter" = c ]; then
        printf '%s%s' "$RIG_C" "$rest"
    else
        printf '%s%s' "$RIG_ROOT/drives/$letter" "$rest"
    fi
}

# ---- the prepared prefix ------------------------------------------------------------------------

# A new prefix costs a wineboot (20 to 40 s), so one is prepared once and every rig prefix is a
# copy of it: the folders of Wine's DLLs (1.2 GB that nothing writes to) as hard links, the rest
# (registry files, user folders) as real copies. It lives in build/wine-prefix of the source tree
# (MOVENDO_WINE_TEMPLATE overrides) and is made anew when the installed Wine changes.
RIG_SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
RIG_TEMPLATE=${MOVENDO_WINE_TEMPLATE:-$RIG_SOURCE_DIR/build/wine-prefix}
RIG_SHARED_FOLDERS=(drive_c/windows/system32 drive_c/windows/syswow64 drive_c/windows/winsxs)

# Makes the prepared prefix when it is missing or was made by another Wine; callers that come
# at the same time wait for the one that makes it.
rig_template() {
    local version stamp="$RIG_TEMPLATE/movendo-wine-version" started=$SECONDS
    version=$("$WINE64" --version) || rig_die "cannot run $WINE64 (run scripts/setup)"
    version="$version, drives ${RIG_DEFAULT_LAYOUT[*]}"
    mkdir -p "$(dirname "$RIG_TEMPLATE")"
    (
        flock 9
        [ "$(cat "$stamp" 2>/dev/null)" = "$version" ] && exit 0
        local new="$RIG_TEMPLATE.new"
        rm -rf "$RIG_TEMPLATE" "$new"
        mkdir -p "$new"
        (cd "$new" && WINEPREFIX="$new" exec "$WINE64" wineboot -i >"$new.log" 2>&1 </dev/null) ||
            rig_die "wineboot failed: $(tail -5 "$new.log")"
        local drive
        for drive in "${RIG_DEFAULT_LAYOUT[@]}"; do
            (cd "$new" && WINEPREFIX="$new" exec "$WINE64" reg add 'HKLM\Software\Wine\Drives' /v "${drive%%:*}:" \
                /d "${drive#*:}" /f /reg:64 >>"$new.log" 2>&1 </dev/null) || rig_die "cannot set the type of ${drive%%:*}:"
        done
        WINEPREFIX="$new" "$WINESERVER" -w
        rm -f "$new/dosdevices/z:"
        echo "$version" >"$new/$(basename "$stamp")"
        mv "$new" "$RIG_TEMPLATE"
        echo "prepared prefix made in $((SECONDS - started)) s: $RIG_TEMPLATE"
    ) 9>"$RIG_TEMPLATE.lock"
}

# rig_clone_prefix TARGET: a new prefix at TARGET, a copy of the prepared one.
rig_clone_prefix() {
    local target=$1 folder excludes=()
    for folder in "${RIG_SHARED_FOLDERS[@]}"; do excludes+=("--exclude=./$folder"); done
    mkdir -p "$target"
    tar -C "$RIG_TEMPLATE" "${excludes[@]}" -cf - . | tar -C "$target" -xf - ||
        rig_die "cannot copy the prepared prefix"
    for folder in "${RIG_SHARED_FOLDERS[@]}"; do
        [ -d "$RIG_TEMPLATE/$folder" ] || continue
        cp -al "$RIG_TEMPLATE/$folder" "$target/$folder" 2>/dev/null ||
            cp -a "$RIG_TEMPLATE/$folder" "$target/$folder" || rig_die "cannot copy $folder of the prepared prefix"
    done
}

# Removes a tree made by the rig: write permission given back (tests leave read-only files)
# outside the shared DLL folders, whose files are the prepared prefix's own.
rig_remove_tree() {
    find "$1" -path '*/drive_c/windows' -prune -o -type d -exec chmod u+w {} + 2>/dev/null
    rm -rf "$1"
}

# ---- the wine server -----------------------------------------------------------------------------

rig_start_server() {
    (exec setsid "$WINESERVER" -p -f >"$RIG_ROOT/wineserver.log" 2>&1 </dev/null) &
    WINESERVER_PID=$!
    local i
    for i in $(seq 200); do
        [ -S "/proc/$WINESERVER_PID/cwd/socket" ] && break  # the server works in its socket's folder
        rig_alive "$WINESERVER_PID" || rig_die "wineserver ended at start: $(cat "$RIG_ROOT/wineserver.log")"
        sleep 0.05
    done
    sed -i "s/^WINESERVER_PID=.*/WINESERVER_PID=$WINESERVER_PID/" "$MOVENDO_RIG_DIR/rig.env" 2>/dev/null || true
}

# True while the process runs. A server whose starter has ended is a child of init, which may
# not reap it here: a zombie counts as ended.
rig_alive() {
    local state
    state=$(sed -n 's/^State:[[:space:]]*\([A-Z]\).*/\1/p' "/proc/$1/status" 2>/dev/null) || return 1
    [ -n "$state" ] && [ "$state" != Z ] && [ "$state" != X ]
}

# True when the process runs the named program (so that a stale process id that the system has
# given to another program since is never signalled).
rig_runs() {  # rig_runs PID NAME_PREFIX
    rig_alive "$1" && case "$(cat "/proc/$1/comm" 2>/dev/null)" in "$2"*) true ;; *) false ;; esac
}

rig_stop_server() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    rig_runs "$WINESERVER_PID" wineserver || return 0
    local i
    for i in $(seq 100); do
        rig_alive "$WINESERVER_PID" || return 0
        sleep 0.05
    done
    kill -TERM "$WINESERVER_PID" 2>/dev/null || true
    sleep 0.2
    kill -KILL "$WINESERVER_PID" 2>/dev/null || true
}

# ---- drives --------------------------------------------------------------------------------------

# rig_layout DRIVE...: drive letters with their types, such as "d:hd" "e:cdrom" "a:floppy!"; a
# trailing "!" links the letter to a folder that does not exist (a drive without a root, or a
# removable drive without medium). Types: hd floppy cdrom network ramdisk. Only C: and these
# letters exist afterwards. The server is restarted when the layout changes, since the drive
# types are read when it starts. Every drive folder is emptied, and so are C:\mvtemp*.
rig_layout() {
    local want="$*"
    if [ "$(cat "$RIG_ROOT/layout" 2>/dev/null)" != "$want" ]; then
        rig_link_drives "$@"
        helper winedrives "${RIG_DRIVE_TYPES[@]}" >/dev/null || rig_die "cannot set the drive types"
        rig_stop_server
        rig_start_server
        echo "$want" >"$RIG_ROOT/layout"
    fi
    local folder
    for folder in "$RIG_ROOT"/drives/?; do
        [ -d "$folder" ] || continue
        chmod -R u+w "$folder" 2>/dev/null || true
        find "$folder" -mindepth 1 -maxdepth 1 -exec rm -rf {} +
    done
    rm -rf "$RIG_C/mvtemp" "$RIG_C/mvtempbk"
}

# rig_link_drives DRIVE...: the drive letters of rig_layout linked to their folders; their
# types, as "helper winedrives" takes them, in RIG_DRIVE_TYPES.
rig_link_drives() {
    local link drive letter rest type target
    RIG_DRIVE_TYPES=()
    for link in "$WINEPREFIX"/dosdevices/?:; do
        [ "$(basename "$link")" = c: ] || rm -f "$link"
    done
    for drive in "$@"; do
        letter=${drive%%:*}
        rest=${drive#*:}
        type=${rest%!}
        if [ "$rest" != "$type" ]; then
            target="$RIG_ROOT/drives/$letter.absent"
            rm -rf "$target"
        else
            target="$RIG_ROOT/drives/$letter"
            mkdir -p "$target"
        fi
        ln -s "$target" "$WINEPREFIX/dosdevices/$letter:"
        RIG_DRIVE_TYPES+=("$letter:=$type")
    done
}

# The layout of most tests: two fixed drives. The prepared prefix holds their types already.
RIG_DEFAULT_LAYOUT=(d:hd e:hd)
rig_default_layout() { rig_layout "${RIG_DEFAULT_LAYOUT[@]}"; }

# Every entry named mvtemp or mvtempbk in the root of C: and of the rig drives, as
# "D:\mvtemp" words in letter order.
rig_workspaces() {
    local found=() folder letter name
    for folder in "$RIG_C" "$RIG_ROOT"/drives/?; do
        [ -d "$folder" ] || continue
        if [ "$folder" = "$RIG_C" ]; then letter=C; else letter=$(basename "$folder" | tr 'a-z' 'A-Z'); fi
        for name in mvtemp mvtempbk; do
            if [ -e "$folder/$name" ] || [ -L "$folder/$name" ]; then found+=("$letter:\\$name"); fi
        done
    done
    echo "${found[*]:-}"
}

# ---- Movendo.exe ---------------------------------------------------------------------------------

# Percent-escapes a command line for "movhelper launch", so that blanks and quotes arrive as given.
escape_cmdline() {
    local text=$1 out="" c i
    for ((i = 0; i < ${#text}; i++)); do
        c=${text:i:1}
        case "$c" in
            [A-Za-z0-9:./\\_-]) out+=$c ;;
            *) out+=$(printf '%%%02X' "'$c") ;;
        esac
    done
    printf '%s' "$out"
}

# rig_launch CMDLINE [TIMEOUT_MS]: runs exactly that command line; sets LAUNCH to the helper's
# report ("exit=0 ms=73 windows=0 visible=0") and LAUNCH_OUT, LAUNCH_ERR to the host paths of the
# program's standard output and error.
rig_launch() {
    local cmdline=$1 timeout=${2:-60000}
    LAUNCH_OUT="$RIG_RUN/launch.stdout"
    LAUNCH_ERR="$RIG_RUN/launch.stderr"
    rm -f "$LAUNCH_OUT" "$LAUNCH_ERR"
    LAUNCH=$(helper launch "$(escape_cmdline "$cmdline")" 'C:\rig\run\launch.stdout' 'C:\rig\run\launch.stderr' "$timeout") ||
        LAUNCH="failed: $LAUNCH"
}

# movendo TAIL: runs C:\rig\Movendo.exe with that tail after one blank (none when empty) and
# checks the run: it ended, showed no window, wrote nothing. Sets LAUNCH_MS.
movendo() {
    local tail=$1 cmdline='C:\rig\Movendo.exe'
    [ -z "$tail" ] || cmdline+=" $tail"
    run_movendo_cmdline "$cmdline"
}

run_movendo_cmdline() {
    rig_launch "$1" "${MOVENDO_TIMEOUT_MS:-120000}"
    LAUNCH_MS=$(sed -n 's/.* ms=\([0-9]*\).*/\1/p' <<<"$LAUNCH")
    case "$LAUNCH" in
        exit=*) ;;
        *) fail "[$1] did not end by itself: $LAUNCH"; return 0 ;;
    esac
    expect_match "$LAUNCH" ' visible=0$' "[$1] shows no window"
    expect_eq "$(stat -c %s "$LAUNCH_OUT" 2>/dev/null)" 0 "[$1] writes nothing to standard output"
    expect_eq "$(stat -c %s "$LAUNCH_ERR" 2>/dev/null)" 0 "[$1] writes nothing to standard error"
}

# ---- checks --------------------------------------------------------------------------------------

fail() {
    echo "FAIL: $*"
    RIG_FAILURES=$((RIG_FAILURES + 1))
}

pass() { echo "ok: $*"; }

expect_eq() {
    local actual=$1 expected=$2 what=$3
    if [ "$actual" = "$expected" ]; then
        pass "$what"
    else
        fail "$what"
        printf '    expected: %s\n    actual:   %s\n' "$expected" "$actual"
    fi
}

expect_match() {
    local actual=$1 pattern=$2 what=$3
    if grep -Eq -- "$pattern" <<<"$actual"; then pass "$what"; else fail "$what: '$actual' does not match /$pattern/"; fi
}

expect_file() { if [ -f "$1" ]; then pass "$2"; else fail "$2: no file $1"; fi; }
expect_dir() { if [ -d "$1" ] && [ ! -L "$1" ]; then pass "$2"; else fail "$2: no folder $1"; fi; }
expect_absent() { if [ -e "$1" ] || [ -L "$1" ]; then fail "$2: $1 exists"; else pass "$2"; fi; }

# Compares two texts line by line and shows the difference.
expect_same_lines() {
    local actual=$1 expected=$2 what=$3
    if [ "$actual" = "$expected" ]; then
        pass "$what"
    else
        fail "$what"
        diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") | sed 's/^/    /' | head -60
    fi
}

# Ends a test script: exit 1 when a check failed.
rig_finish() {
    if [ "$RIG_FAILURES" -gt 0 ]; then
        echo "$RIG_FAILURES check(s) failed"
        exit 1
    fi
    exit 0
}

# Runs the case function named by the script's first argument.
rig_main() {
    local case_name=${1:-}
    declare -F "case_$case_name" >/dev/null || rig_die "no case '$case_name' in $0"
    rig_load
    echo "case $case_name (Movendo.exe: $MOVENDO_EXE_ARCH build)"
    "case_$case_name"
    rig_finish
}
