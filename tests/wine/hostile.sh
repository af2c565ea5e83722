#!/usr/bin/env bash
# The real program under hostile conditions: two runs started together, and a workspace drive
# that fills up during the backup. Each case prints what it measured (records, sizes, times).
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/suite/roundtrip_lib.sh"

# The records of a settings file (UTF-16LE or single bytes), sorted, one "key=value" line each
# under its section: equal outputs mean equal records.
records() {
    local file=$1
    [ -f "$file" ] || return 0
    local text
    if [ "$(head -c2 "$file" | od -An -tx1 | tr -d ' ')" = fffe ]; then
        text=$(iconv -f UTF-16LE -t UTF-8 "$file" 2>/dev/null | sed '1s/^\xEF\xBB\xBF//')
    else
        text=$(cat "$file")
    fi
    tr -d '\r' <<<"$text" | awk '/^\[/ { section = $0; next } /=/ { print section $0 }' | sort
}

count_lines() { if [ -n "$1" ]; then printf '%s\n' "$1" | wc -l; else echo 0; fi; }

# The suite's files, "path size md5" with paths relative to C:, sorted.
suite_files() {
    (cd "$RIG_C" && find ProgramData/Tamrix users/*/AppData/Local/Tamrix MvdMng.ini -type f 2>/dev/null |
        sort | while read -r path; do echo "$path $(stat -c %s "$path") $(md5sum <"$path" | cut -c1-32)"; done)
}

# The system file that a workspace file is the copy of, relative to C:.
source_of() {
    local relative=$1
    case "$relative" in
        MV/*) echo "ProgramData/Tamrix/Mirovane/${relative#MV/}" ;;
        tw1/*) echo "ProgramData/Tamrix/Parlunet/${relative#tw1/}" ;;
        tw2/*) (cd "$RIG_C" && echo users/*/AppData/Local/Tamrix/Parlunet/"${relative#tw2/}") ;;
        MvdMng.ini) echo MvdMng.ini ;;
    esac
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Starts Movendo.exe with a tail in the background; its time in milliseconds goes to $RIG_RUN/NAME.ms.
start_movendo() {
    local name=$1 tail=$2
    rm -f "$RIG_RUN/$name.ms"
    (
        cd "$RIG_C/rig" || exit 1
        start=$(now_ms)
        "$WINE64" 'C:\rig\Movendo.exe' "$tail" >"$RIG_RUN/$name.out" 2>&1 </dev/null
        echo $(($(now_ms) - start)) >"$RIG_RUN/$name.ms"
    ) </dev/null >/dev/null 2>&1 &
    STARTED_PID=$!
}

# Two "/get" started together: one runs, the other finds the run's mutex owned and ends after a short wait;
# both settings files hold the records that one "/get" alone writes.
case_two_gets_started_together() {
    suite_installed
    local drive="$RIG_ROOT/drives/d" started
    started=$(now_ms)
    movendo /get
    local alone_ms=$(($(now_ms) - started)) alone alone_bytes
    alone=$(records "$drive/mvtemp/Movendo.ini")
    alone_bytes=$(stat -c %s "$drive/mvtemp/Movendo.ini" 2>/dev/null || echo '?')
    expect_same_lines "$(records "$drive/mvtempbk/Movendo.ini")" "$alone" "one /get: both settings files hold the same records"
    rig_layout d:hd e:hd  # empties the drives

    start_movendo first /get
    local first=$STARTED_PID
    start_movendo second /get
    local second=$STARTED_PID
    wait "$first" "$second"
    local first_ms second_ms
    first_ms=$(cat "$RIG_RUN/first.ms" 2>/dev/null || echo '?')
    second_ms=$(cat "$RIG_RUN/second.ms" 2>/dev/null || echo '?')
    local primary secondary
    primary=$(records "$drive/mvtemp/Movendo.ini")
    secondary=$(records "$drive/mvtempbk/Movendo.ini")
    rig_note "one /get alone: $(count_lines "$alone") records in each settings file, $alone_bytes bytes, ${alone_ms} ms"
    rig_note "two started together: ${first_ms} ms and ${second_ms} ms; records: mvtemp $(count_lines "$primary"), mvtempbk $(count_lines "$secondary")"
    expect_same_lines "$primary" "$alone" "mvtemp holds the records of one /get"
    expect_same_lines "$secondary" "$alone" "mvtempbk holds the records of one /get"
    expect_eq "$(ls "$drive/mvtemp" "$drive/mvtempbk" | grep -c '\.mvpart$')" 0 "no partial file left"
    local shorter=$first_ms
    [ "$second_ms" != '?' ] && { [ "$first_ms" = '?' ] || [ "$second_ms" -lt "$first_ms" ]; } && shorter=$second_ms
    expect_match "$shorter" '^[0-9]+$' "both runs ended"
    # The one that finds the lock owned waits for it a quarter of a second, then ends.
    if [ "$shorter" != '?' ] && [ "$shorter" -lt $((alone_ms * 3 / 4)) ]; then
        pass "one of them ended without doing the work (${shorter} ms)"
    else
        fail "one of them ended without doing the work: ${shorter} ms against ${alone_ms} ms for a whole /get"
    fi
}

# A /get onto a drive of 300 KiB (a tmpfs mounted at D:'s folder), then /set: every workspace
# file is a whole copy, the settings file whole or absent, and no file of the suite comes back
# shorter or different from both what it was and what was saved.
case_get_onto_a_full_drive_then_set() {
    suite_installed
    local drive="$RIG_ROOT/drives/d" started
    suite_files >"$RIG_RUN/original.txt"
    started=$(now_ms)
    movendo /get
    local whole_ms=$(($(now_ms) - started)) whole
    whole=$(records "$drive/mvtemp/Movendo.ini")
    local whole_bytes whole_kib
    whole_bytes=$(du -sb "$drive" | cut -f1)
    whole_kib=$(du -sk "$drive" | cut -f1)
    rig_layout d:hd e:hd

    if ! mount -t tmpfs -o size=300k tmpfs "$drive" 2>"$RIG_RUN/mount.err"; then
        echo "skipped: mount of a tmpfs at the drive's folder refused: $(cat "$RIG_RUN/mount.err")"
        exit 77
    fi
    trap 'umount "$RIG_ROOT/drives/d" 2>/dev/null' EXIT
    # The drive holds other files already: what is left is half of one workspace.
    local avail room_kib
    avail=$(df --output=avail -k "$drive" | tail -n1 | tr -d ' ')
    room_kib=$((whole_kib / 4))
    [ "$avail" -gt "$room_kib" ] && head -c $(((avail - room_kib) * 1024)) /dev/zero >"$drive/filler" 2>/dev/null
    rig_note "D: is a tmpfs of 300 KiB with $(df --output=avail -k "$drive" | tail -n1 | tr -d ' ') KiB free (a whole backup takes $whole_kib KiB)"
    started=$(now_ms)
    movendo /get
    local full_ms=$(($(now_ms) - started))
    rig_note "the whole backup: $(count_lines "$whole") records per settings file, $whole_bytes bytes on D:, ${whole_ms} ms"
    rig_note "onto 300 KiB: ${full_ms} ms, $(du -sb "$drive" | cut -f1) bytes on D:"
    local workspace relative source copies=0 whole_copies=0 partial=0
    for workspace in mvtempbk mvtemp; do
        [ -d "$drive/$workspace" ] || continue
        while read -r relative; do
            copies=$((copies + 1))
            source=$(source_of "$relative")
            if [ -n "$source" ] && cmp -s "$drive/$workspace/$relative" "$RIG_C/$source"; then
                whole_copies=$((whole_copies + 1))
            else
                fail "$workspace/$relative is not a whole copy of C:/$source ($(stat -c %s "$drive/$workspace/$relative") bytes)"
            fi
        done < <(cd "$drive/$workspace" && find MV tw1 tw2 MvdMng.ini -type f 2>/dev/null | grep -v '\.mvpart$')
        partial=$((partial + $(find "$drive/$workspace" -name '*.mvpart' | wc -l)))
        local ini="$drive/$workspace/Movendo.ini" state=absent
        if [ -f "$ini" ]; then
            state="$(count_lines "$(records "$ini")") records"
            expect_same_lines "$(records "$ini")" "$whole" "$workspace/Movendo.ini holds the records of a whole backup"
        fi
        local hive empty=0 hives=0
        for hive in CheckSum IPTV Brevisto Rondisc1 Rondisc2 Rondisc3 Rondisc4; do
            [ -f "$drive/$workspace/$hive.dat" ] || continue
            hives=$((hives + 1))
            [ -s "$drive/$workspace/$hive.dat" ] || empty=$((empty + 1))
        done
        rig_note "$workspace: settings file $state, $hives hive files ($empty empty)"
        expect_eq "$empty" 0 "$workspace: no empty hive file"
    done
    rig_note "data copies in the workspaces: $copies, whole: $whole_copies"
    expect_eq "$partial" 0 "no partial copy left under its second name"
    expect_match "$copies" '^[1-9]' "part of the backup fitted"

    suite reinstall || rig_die "movsuite reinstall failed: $(cat "$RIG_RUN/suite.out")"
    suite_files >"$RIG_RUN/before-set.txt"
    started=$(now_ms)
    movendo /set
    local set_ms=$(($(now_ms) - started))
    suite_files >"$RIG_RUN/after-set.txt"
    local path size md5 shorter=0 same=0 restored=0 other=0
    while read -r path size md5; do
        local was before
        was=$(awk -v p="$path" '$1 == p { print $2 " " $3 }' "$RIG_RUN/original.txt")
        before=$(awk -v p="$path" '$1 == p { print $2 " " $3 }' "$RIG_RUN/before-set.txt")
        if [ "$before" = "$size $md5" ]; then
            same=$((same + 1))
        elif [ "$was" = "$size $md5" ]; then
            restored=$((restored + 1))
        else
            other=$((other + 1))
            fail "C:/$path is neither what it was nor what was saved ($size bytes; before /set: ${before:-none}; saved: ${was:-none})"
        fi
        if [ -n "$before" ] && [ "$size" -lt "${before%% *}" ]; then shorter=$((shorter + 1)); fi
    done <"$RIG_RUN/after-set.txt"
    rig_note "/set: ${set_ms} ms; suite files: $(wc -l <"$RIG_RUN/after-set.txt") ($restored restored, $same as before /set, $other other, $shorter shorter than before)"
    expect_eq "$shorter" 0 "no file of the suite is shorter than before /set"
    while read -r path size md5; do
        grep -q "^$path " "$RIG_RUN/after-set.txt" || fail "C:/$path vanished at /set"
    done <"$RIG_RUN/before-set.txt"
    expect_eq "$(rig_workspaces)" '' "both workspaces deleted"
    umount "$drive" || fail "cannot unmount the tmpfs"
    trap - EXIT
}

# /set killed while it copies large files back, as soon as a part file or the new file shows (the
# machine has one of them, not the other): every file of the suite at its own name is whole (the
# installed one or the saved one), only part files are left, and the next /set, which the killed
# run's lock does not stop, removes them and lands everything. (A folder where a saved file goes
# keeps the workspaces meanwhile: that file does not land.)
case_killed_set_leaves_no_torn_file() {
    suite_installed
    local data="$RIG_C/ProgramData/Tamrix/Mirovane/Big" torn=0 midway=0 saved
    mkdir -p "$data"
    head -c 4000000 /dev/urandom >"$data/big1.bin"
    head -c 96000000 /dev/urandom >"$data/big2.bin"
    movendo /get
    saved=$(cat "$data"/big*.bin | md5sum)
    for workspace in mvtemp mvtempbk; do echo saved >"$RIG_ROOT/drives/d/$workspace/MV/Blocker"; done
    mkdir -p "$data/../Blocker"
    for attempt in 1 2 3; do
        printf 'installed 1\n' >"$data/big1.bin"
        rm -f "$data/big2.bin"  # a file the machine does not have yet
        # The host process of the program itself (exec), so that the kill reaches it.
        (cd "$RIG_C/rig" && exec "$WINE64" 'C:\rig\Movendo.exe' /set) </dev/null >/dev/null 2>&1 &
        local pid=$!
        while kill -0 "$pid" 2>/dev/null; do
            if [ -e "$data/big2.bin" ] || [ -n "$(find "$data" -name '*.mvpart' 2>/dev/null)" ]; then
                kill -KILL "$pid" 2>/dev/null && midway=$((midway + 1))
                break
            fi
            sleep 0.01
        done
        wait "$pid" 2>/dev/null
        for i in 1 2; do
            [ -e "$data/big$i.bin" ] || continue
            cmp -s "$data/big$i.bin" "$RIG_ROOT/drives/d/mvtemp/MV/Big/big$i.bin" ||
                grep -qx "installed $i" "$data/big$i.bin" || torn=$((torn + 1))
        done
    done
    rig_note "$midway of 3 runs killed while a file was copied"
    expect_eq "$torn" 0 "no file of the suite is torn"
    rmdir "$data/../Blocker"
    movendo /set
    expect_eq "$(find "$RIG_C/ProgramData/Tamrix" -name '*.mvpart' | wc -l)" 0 "the next /set removes the part files"
    expect_eq "$(cat "$data"/big*.bin | md5sum)" "$saved" "and lands every file"
    expect_eq "$(rig_workspaces)" "" "and removes the workspaces"
    rm -rf "$data" "$data/../Blocker"
}

# A standard user made the lock's name first (a mutex owned by Users, which Wine keeps): /get runs
# all the same. A running program's lock still stops a second run (two_gets_started_together; Wine
# gap: without an owner in its descriptor a mutex is owned by the user's primary group, -513).
case_lock_taken_first_by_a_standard_user() {
    suite_installed
    rm -rf "$RIG_ROOT/drives/d/mvtemp" "$RIG_ROOT/drives/d/mvtempbk"
    rig_spawn squatter 'C:\rig\movhelper.exe' mutex 'Global\Movendo.Run' 'O:BUD:(A;;GA;;;WD)' 8000
    local waited=0
    until grep -q held "$SPAWN_LOG" 2>/dev/null || [ $waited -ge 100 ]; do sleep 0.1; waited=$((waited + 1)); done
    expect_match "$(cat "$SPAWN_LOG")" held "the squatter holds the name"
    movendo /get
    expect_dir "$RIG_ROOT/drives/d/mvtemp" "/get ran: D:\\mvtemp was made"
    expect_file "$RIG_ROOT/drives/d/mvtemp/Movendo.ini" "/get ran: the settings file was written"
    expect_match "$(grep -c . "$SPAWN_LOG")" '^1$' "the squatter was still holding the name"
    until grep -q 'exit status' "$SPAWN_LOG" 2>/dev/null; do sleep 0.2; done
}

rig_main "$@"
