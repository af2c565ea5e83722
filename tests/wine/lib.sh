# The Wine bench: functions shared by the bench's fixture and its test scripts. Sourced, not run.
#
# One prefix serves a whole CTest run. The fixture (fixture.sh) makes it and writes its facts to
# $MOVENDO_BENCH_DIR/bench.env; every test script sources this file, which reads them back. A
# test script sets the drive layout it needs (bench_layout), which also empties every drive
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

BENCH_FAILURES=0

bench_die() {
    echo "bench: $*" >&2
    exit 1
}

bench_note() { echo "  $*"; }

# Reads the facts of the running bench.
bench_load() {
    [ -n "${MOVENDO_BENCH_DIR:-}" ] || bench_die "MOVENDO_BENCH_DIR is not set"
    [ -f "$MOVENDO_BENCH_DIR/bench.env" ] || bench_die "no bench prefix in $MOVENDO_BENCH_DIR: its fixture (wine.benchN.setup) has not run"
    # shellcheck disable=SC1091
    . "$MOVENDO_BENCH_DIR/bench.env"
    export WINEPREFIX DISPLAY
    BENCH_C="$WINEPREFIX/drive_c"
    BENCH_RUN="$BENCH_C/bench/run"
    mkdir -p "$BENCH_RUN"
}

# ---- wine and the helper -----------------------------------------------------------------------

# bench_wine OUT ERR PROGRAM ARGS...: one Windows program, its output in the files OUT and ERR,
# started in C:\bench so that its working folder exists inside the prefix.
bench_wine() {
    local out=$1 err=$2
    shift 2
    (cd "$BENCH_C/bench" && exec "$WINE64" "$@" >"$out" 2>"$err" </dev/null)
}

# helper ARGS...: runs movhelper; prints its output; its errors go to stderr.
helper() {
    local rc=0
    bench_wine "$BENCH_RUN/helper.out" "$BENCH_RUN/helper.err" 'C:\bench\movhelper.exe' "$@" || rc=$?
    cat "$BENCH_RUN/helper.out"
    [ "$rc" -eq 0 ] || cat "$BENCH_RUN/helper.err" >&2
    return "$rc"
}

# Starts a program in the background (a stand-in of the suite). SPAWN_LOG is the file that gets
# its output and, once it has ended, its exit status.
BENCH_SPAWNED=0
bench_spawn() {
    local name=$1
    shift
    BENCH_SPAWNED=$((BENCH_SPAWNED + 1))
    SPAWN_LOG="$BENCH_RUN/$name.$BENCH_SPAWNED.log"
    (
        cd "$BENCH_C/bench" || exit 1
        "$WINE64" "$@" >"$SPAWN_LOG" 2>&1 </dev/null
        echo "exit status $?" >>"$SPAWN_LOG"
    ) </dev/null >/dev/null 2>&1 &
}

# The host path of a Windows path on C: or on a bench drive.
host_path() {
    local path=$1 letter rest
    letter=$(printf '%s' "${path:0:1}" | tr 'A-Z' 'a-z')
    rest=${path:2}
    rest=${rest//\\//}
    if [ "$letter" = c ]; then
        printf '%s%s' "$BENCH_C" "$rest"
    else
        printf '%s%s' "$BENCH_ROOT/drives/$letter" "$rest"
    fi
}

# ---- the prepared prefix ------------------------------------------------------------------------

# A new prefix costs a wineboot (20 to 40 s), so one is prepared once and every bench prefix is a
# copy of it: the folders of Wine's DLLs (1.2 GB that nothing writes to) as hard links, the rest
# (registry files, user folders) as real copies. It lives in build/wine-prefix of the source tree
# (MOVENDO_WINE_TEMPLATE overrides) and is made anew when the installed Wine changes.
BENCH_SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BENCH_TEMPLATE=${MOVENDO_WINE_TEMPLATE:-$BENCH_SOURCE_DIR/build/wine-prefix}
BENCH_SHARED_FOLDERS=(drive_c/windows/system32 drive_c/windows/syswow64 drive_c/windows/winsxs)

# Makes the prepared prefix when it is missing or was made by another Wine; callers that come
# at the same time wait for the one that makes it.
bench_template() {
    local version stamp="$BENCH_TEMPLATE/movendo-wine-version" started=$SECONDS
    version=$("$WINE64" --version) || bench_die "cannot run $WINE64 (run scripts/setup)"
    version="$version, drives ${BENCH_DEFAULT_LAYOUT[*]}"
    mkdir -p "$(dirname "$BENCH_TEMPLATE")"
    (
        flock 9
        [ "$(cat "$stamp" 2>/dev/null)" = "$version" ] && exit 0
        local new="$BENCH_TEMPLATE.new"
        rm -rf "$BENCH_TEMPLATE" "$new"
        mkdir -p "$new"
        (cd "$new" && WINEPREFIX="$new" exec "$WINE64" wineboot -i >"$new.log" 2>&1 </dev/null) ||
            bench_die "wineboot failed: $(tail -5 "$new.log")"
        local drive
        for drive in "${BENCH_DEFAULT_LAYOUT[@]}"; do
            (cd "$new" && WINEPREFIX="$new" exec "$WINE64" reg add 'HKLM\Software\Wine\Drives' /v "${drive%%:*}:" \
                /d "${drive#*:}" /f /reg:64 >>"$new.log" 2>&1 </dev/null) || bench_die "cannot set the type of ${drive%%:*}:"
        done
        WINEPREFIX="$new" "$WINESERVER" -w
        rm -f "$new/dosdevices/z:"
        echo "$version" >"$new/$(basename "$stamp")"
        mv "$new" "$BENCH_TEMPLATE"
        echo "prepared prefix made in $((SECONDS - started)) s: $BENCH_TEMPLATE"
    ) 9>"$BENCH_TEMPLATE.lock"
}

# bench_clone_prefix TARGET: a new prefix at TARGET, a copy of the prepared one.
bench_clone_prefix() {
    local target=$1 folder excludes=()
    for folder in "${BENCH_SHARED_FOLDERS[@]}"; do excludes+=("--exclude=./$folder"); done
    mkdir -p "$target"
    tar -C "$BENCH_TEMPLATE" "${excludes[@]}" -cf - . | tar -C "$target" -xf - ||
        bench_die "cannot copy the prepared prefix"
    for folder in "${BENCH_SHARED_FOLDERS[@]}"; do
        [ -d "$BENCH_TEMPLATE/$folder" ] || continue
        cp -al "$BENCH_TEMPLATE/$folder" "$target/$folder" 2>/dev/null ||
            cp -a "$BENCH_TEMPLATE/$folder" "$target/$folder" || bench_die "cannot copy $folder of the prepared prefix"
    done
}

# Removes a tree made by the bench: write permission given back (tests leave read-only files)
# outside the shared DLL folders, whose files are the prepared prefix's own.
bench_remove_tree() {
    find "$1" -path '*/drive_c/windows' -prune -o -type d -exec chmod u+w {} + 2>/dev/null
    rm -rf "$1"
}

# ---- the wine server -----------------------------------------------------------------------------

bench_start_server() {
    (exec setsid "$WINESERVER" -p -f >"$BENCH_ROOT/wineserver.log" 2>&1 </dev/null) &
    WINESERVER_PID=$!
    local i
    for i in $(seq 200); do
        [ -S "/proc/$WINESERVER_PID/cwd/socket" ] && break  # the server works in its socket's folder
        bench_alive "$WINESERVER_PID" || bench_die "wineserver ended at start: $(cat "$BENCH_ROOT/wineserver.log")"
        sleep 0.05
    done
    sed -i "s/^WINESERVER_PID=.*/WINESERVER_PID=$WINESERVER_PID/" "$MOVENDO_BENCH_DIR/bench.env" 2>/dev/null || true
}

# True while the process runs. A server whose starter has ended is a child of init, which may
# not reap it here: a zombie counts as ended.
bench_alive() {
    local state
    state=$(sed -n 's/^State:[[:space:]]*\([A-Z]\).*/\1/p' "/proc/$1/status" 2>/dev/null) || return 1
    [ -n "$state" ] && [ "$state" != Z ] && [ "$state" != X ]
}

# True when the process runs the named program (so that a stale process id that the system has
# given to another program since is never signalled).
bench_runs() {  # bench_runs PID NAME_PREFIX
    bench_alive "$1" && case "$(cat "/proc/$1/comm" 2>/dev/null)" in "$2"*) true ;; *) false ;; esac
}

bench_stop_server() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    bench_runs "$WINESERVER_PID" wineserver || return 0
    local i
    for i in $(seq 100); do
        bench_alive "$WINESERVER_PID" || return 0
        sleep 0.05
    done
    kill -TERM "$WINESERVER_PID" 2>/dev/null || true
    sleep 0.2
    kill -KILL "$WINESERVER_PID" 2>/dev/null || true
}

# ---- drives --------------------------------------------------------------------------------------

# bench_layout DRIVE...: drive letters with their types, such as "d:hd" "e:cdrom" "a:floppy!"; a
# trailing "!" links the letter to a folder that does not exist (a drive without a root, or a
# removable drive without medium). Types: hd floppy cdrom network ramdisk. Only C: and these
# letters exist afterwards. The server is restarted when the layout changes, since the drive
# types are read when it starts. Every drive folder is emptied, and so are C:\mvtemp*.
bench_layout() {
    local want="$*"
    if [ "$(cat "$BENCH_ROOT/layout" 2>/dev/null)" != "$want" ]; then
        bench_link_drives "$@"
        helper winedrives "${BENCH_DRIVE_TYPES[@]}" >/dev/null || bench_die "cannot set the drive types"
        bench_stop_server
        bench_start_server
        echo "$want" >"$BENCH_ROOT/layout"
    fi
    local folder
    for folder in "$BENCH_ROOT"/drives/?; do
        [ -d "$folder" ] || continue
        chmod -R u+w "$folder" 2>/dev/null || true
        find "$folder" -mindepth 1 -maxdepth 1 -exec rm -rf {} +
    done
    rm -rf "$BENCH_C/mvtemp" "$BENCH_C/mvtempbk"
}

# bench_link_drives DRIVE...: the drive letters of bench_layout linked to their folders; their
# types, as "helper winedrives" takes them, in BENCH_DRIVE_TYPES.
bench_link_drives() {
    local link drive letter rest type target
    BENCH_DRIVE_TYPES=()
    for link in "$WINEPREFIX"/dosdevices/?:; do
        [ "$(basename "$link")" = c: ] || rm -f "$link"
    done
    for drive in "$@"; do
        letter=${drive%%:*}
        rest=${drive#*:}
        type=${rest%!}
        if [ "$rest" != "$type" ]; then
            target="$BENCH_ROOT/drives/$letter.absent"
            rm -rf "$target"
        else
            target="$BENCH_ROOT/drives/$letter"
            mkdir -p "$target"
        fi
        ln -s "$target" "$WINEPREFIX/dosdevices/$letter:"
        BENCH_DRIVE_TYPES+=("$letter:=$type")
    done
}

# The layout of most tests: two fixed drives. The prepared prefix holds their types already.
BENCH_DEFAULT_LAYOUT=(d:hd e:hd)
bench_default_layout() { bench_layout "${BENCH_DEFAULT_LAYOUT[@]}"; }

# Every entry named mvtemp or mvtempbk in the root of C: and of the bench drives, as
# "D:\mvtemp" words in letter order.
bench_workspaces() {
    local found=() folder letter name
    for folder in "$BENCH_C" "$BENCH_ROOT"/drives/?; do
        [ -d "$folder" ] || continue
        if [ "$folder" = "$BENCH_C" ]; then letter=C; else letter=$(basename "$folder" | tr 'a-z' 'A-Z'); fi
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

# bench_launch CMDLINE [TIMEOUT_MS]: runs exactly that command line; sets LAUNCH to the helper's
# report ("exit=0 ms=73 windows=0 visible=0") and LAUNCH_OUT, LAUNCH_ERR to the host paths of the
# program's standard output and error.
bench_launch() {
    local cmdline=$1 timeout=${2:-60000}
    LAUNCH_OUT="$BENCH_RUN/launch.stdout"
    LAUNCH_ERR="$BENCH_RUN/launch.stderr"
    rm -f "$LAUNCH_OUT" "$LAUNCH_ERR"
    LAUNCH=$(helper launch "$(escape_cmdline "$cmdline")" 'C:\bench\run\launch.stdout' 'C:\bench\run\launch.stderr' "$timeout") ||
        LAUNCH="failed: $LAUNCH"
}

# movendo TAIL: runs C:\bench\Movendo.exe with that tail after one blank (none when empty) and
# checks the run: it ended, showed no window, wrote nothing. Sets LAUNCH_MS.
movendo() {
    local tail=$1 cmdline='C:\bench\Movendo.exe'
    [ -z "$tail" ] || cmdline+=" $tail"
    run_movendo_cmdline "$cmdline"
}

run_movendo_cmdline() {
    bench_launch "$1" "${MOVENDO_TIMEOUT_MS:-120000}"
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
    BENCH_FAILURES=$((BENCH_FAILURES + 1))
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
bench_finish() {
    if [ "$BENCH_FAILURES" -gt 0 ]; then
        echo "$BENCH_FAILURES check(s) failed"
        exit 1
    fi
    exit 0
}

# Runs the case function named by the script's first argument.
bench_main() {
    local case_name=${1:-}
    declare -F "case_$case_name" >/dev/null || bench_die "no case '$case_name' in $0"
    bench_load
    echo "case $case_name (Movendo.exe: $MOVENDO_EXE_ARCH build)"
    "case_$case_name"
    bench_finish
}
