#!/usr/bin/env bash
# MovendoCheck /verify and the /preview gate with the real programs: a backup held against the
# machine it came from, the gaps a backup leaves named, the losses of a restore that would run too
# early named with exit 4, /json read with a real JSON parser, and every mode leaving workspaces
# and machine exactly as they were.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/suite/roundtrip_lib.sh"

SUITE_KEY='HKLM\SOFTWARE\Tamrix'

known_folders() {
    COMMON_APPDATA=$RIG_COMMON_APPDATA
    LOCAL_APPDATA=$RIG_LOCAL_APPDATA
    SUITE_DATA=$(host_path "$COMMON_APPDATA")/Tamrix/Mirovane
    LOCAL_TAMRIX=$(host_path "$LOCAL_APPDATA")/Tamrix
    DRIVE_D="$RIG_ROOT/drives/d"
}

installed_and_saved() {
    suite_installed
    known_folders
    "$@"
    movendo /get
}

# Everything MovendoCheck could touch: the suite's registry, its files, C:\MvdMng.ini and both
# workspaces, with every file's content hash, size and modification time.
machine_state() {
    helper regdump32 "$SUITE_KEY" 'HKCU\Software\Tamrix' 'HKU\.Default\SOFTWARE\Tamrix'
    local places=("$RIG_C/ProgramData/Tamrix" "$LOCAL_TAMRIX" "$RIG_C/MvdMng.ini" "$DRIVE_D/mvtemp" "$DRIVE_D/mvtempbk")
    find "${places[@]}" -printf '%p %y %s %T@\n' 2>/dev/null | sort
    find "${places[@]}" -type f -exec sha256sum {} + 2>/dev/null | sort
}

# json_get EXPRESSION [ARG]: evaluates a Python expression over the document "d" of check.out
# (ARG is sys.argv[3]).
json_get() {
    python3 -c 'import json, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
print(eval(sys.argv[2]))' "$RIG_RUN/check.out" "$@"
}

# Every mode over the same workspaces changes nothing. The flags choose the analyses (/verify and
# /preview each add one to the report of the workspaces); /json chooses only the rendering, which
# works on the finished report and calls nothing of the platform. So one run with both flags goes
# through every analysis, beside the case's own runs in text; /? is the usage. hold_state takes the
# machine's state before the case's first run, every_mode_changes_nothing compares with it after
# those runs and these.
CHECK_MODES=("/verify /preview /json" /?)
hold_state() { HELD_STATE=$(machine_state); }
every_mode_changes_nothing() {
    local args
    for args in "${CHECK_MODES[@]}"; do
        # shellcheck disable=SC2086
        check $args || true
    done
    expect_same_lines "$(machine_state)" "$HELD_STATE" "MovendoCheck changes nothing: the case's runs, then ${CHECK_MODES[*]}"
}

case_complete_backup() {
    installed_and_saved
    local rc=0
    hold_state
    check /verify || rc=$?
    expect_eq "$rc" 0 "/verify after a complete /get exits 0"
    sed 's/^/    /' "$RIG_RUN/check.out" | grep -E 'Against|GAP|note|Summary'
    rc=0
    check /verify /json || rc=$?
    expect_eq "$rc" 0 "/verify /json exits 0"
    expect_eq "$(json_get 'd["exitCode"], len(d["verify"]["gaps"]), d["verify"]["values"] > 300, d["verify"]["files"] > 10')" \
        "(0, 0, True, True)" "the JSON document: exit 0, no gap, values and files compared"
    expect_eq "$(json_get 'd["verify"]["keys"], d["verify"]["notes"]')" "(14, [])" \
        "the seven hive files of each workspace, in the text format, compared value by value with their keys"
    # The runs of every mode are in the cases with gaps and losses, where the inspector has the most to do.
    expect_same_lines "$(machine_state)" "$HELD_STATE" "MovendoCheck /verify, in text and in JSON, changes nothing"
}

# A machine without the companion's keys passes; then what the workspace holds beyond the machine
# (a file gone since /get) and a number stored as text are gaps.
case_machine_without_companion() {
    installed_and_saved helper regdel32 "$SUITE_KEY\\Rondisc"
    local rc=0
    check /verify /json || rc=$?
    expect_eq "$rc" 0 "/verify of a complete backup on a machine without the Rondisc keys exits 0"
    rm -f "$SUITE_DATA/Data/Old/Epg.bin"
    helper regset32 "$SUITE_KEY\\Mirovane\\MainApp" LiveServerNo sz 1 >/dev/null || rig_die "regset32 failed"
    rc=0
    check /verify /json || rc=$?
    expect_eq "$rc" 1 "/verify exits 1 once the machine has less than the workspaces"
    expect_eq "$(json_get 'sum("Epg.bin: this machine has no such entry" in g for g in d["verify"]["gaps"]), sum("] LiveServerNo: it is not a REG_DWORD" in g for g in d["verify"]["gaps"])')" \
        "(2, 2)" "the file gone since /get and the number stored as text are named for both workspaces"
}

# A file whose path is over 259 characters, which /get skips, is named.
case_skipped_long_path() {
    local deep name
    add_long_path() {
        deep="$SUITE_DATA/$(printf 'folder%02d/' $(seq 1 25))"
        deep=${deep%/}
        name=$(printf 'x%.0s' $(seq 1 30)).dat
        mkdir -p "$deep"
        echo "beyond the path buffer" >"$deep/$name"
    }
    installed_and_saved add_long_path
    local rc=0
    check /verify /json || rc=$?
    expect_eq "$rc" 1 "/verify exits 1"
    expect_eq "$(json_get 'sum(sys.argv[3] + ": its path is too long to be copied" in g for g in d["verify"]["gaps"])' "$name")" 2 \
        "the skipped file is named for both workspaces"
}

# A value changed after /get, one inside a saved key, a copy cut short in mvtempbk: each named.
case_changed_value_and_cut_copy() {
    installed_and_saved
    helper regset32 "$SUITE_KEY\\Mirovane\\MainApp" LiveServerNo dword 4242 >/dev/null || rig_die "regset32 failed"
    helper regset32 "$SUITE_KEY\\Rondisc\\Backup\\Sub\\Deeper" Path sz changed >/dev/null || rig_die "regset32 failed"
    local copy size
    copy=$(find "$DRIVE_D/mvtempbk/MV" -type f -printf '%s %p\n' | sort -n | tail -n1 | cut -d' ' -f2-)
    size=$(stat -c %s "$copy")
    [ "$size" -ge 2 ] || rig_die "no copy of 2 bytes or more in mvtempbk"
    truncate -s $((size / 2)) "$copy"
    local rc=0
    hold_state
    check /verify || rc=$?
    expect_eq "$rc" 1 "/verify exits 1"
    local out
    out=$(cat "$RIG_RUN/check.out")
    expect_match "$out" 'GAP: mvtemp: \[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\MainApp\] LiveServerNo: differs \(now "4242"' \
        "the changed value is named for mvtemp"
    expect_match "$out" 'GAP: mvtempbk: \[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\MainApp\] LiveServerNo: differs' \
        "and for mvtempbk"
    expect_match "$out" "GAP: mvtempbk: C:.*\\\\$(basename "$copy"): its copy has $((size / 2)) of its $size bytes" "the cut copy is named"
    expect_eq "$(grep -c 'Rondisc1.dat of .*: the value Sub\\Deeper\\Path differs (now REG_SZ "changed", saved REG_EXPAND_SZ "C:\\x\\3")' "$RIG_RUN/check.out")" 2 \
        "the value changed inside a saved key is named for both workspaces"
    every_mode_changes_nothing
}

# A settings file of 20 MB (sections the catalogue does not know, appended in its own encoding)
# is read through the profile functions like any other.
case_large_settings_file() {
    installed_and_saved
    python3 - "$DRIVE_D/mvtemp/Movendo.ini" <<'PY'
import sys
path = sys.argv[1]
assert open(path, "rb").read(2) == b"\xff\xfe", "the settings file is kept in UTF-16LE"
filler = "".join("key%d=%s\r\n" % (k, "f" * 200) for k in range(20))
with open(path, "ab") as out:
    written, section = 0, 0
    while written < 20 * 1024 * 1024:
        data = "".join("[Filler%d]\r\n%s" % (section + i, filler) for i in range(100)).encode("utf-16-le")
        out.write(data)
        written += len(data)
        section += 100
PY
    local rc=0
    check /verify /json || rc=$?
    expect_eq "$rc" 0 "/verify with a 20 MB settings file exits 0"
    expect_eq "$(json_get 'd["workspaces"]["mvtemp"]["settings"]["encoding"], d["workspaces"]["mvtemp"]["settings"]["bytes"] > 20 * 1024 * 1024, d["workspaces"]["mvtemp"]["settings"]["records"] > 40000, len(d["verify"]["gaps"])')" \
        "('UTF-16LE', True, True, 0)" "read whole, in its encoding, every record found"
}

# Two drives holding workspaces of two generations: the first drive's older ones are what the
# program takes, the later drive's newer ones are named with the newer, and /verify holds those.
case_two_generations() {
    installed_and_saved
    local older="$RIG_ROOT/drives/older" rc=0
    mkdir -p "$older" && cp -a "$DRIVE_D/mvtemp" "$DRIVE_D/mvtempbk" "$older/"
    helper regset32 "$SUITE_KEY\\Mirovane\\MainApp" LiveServerNo dword 4343 >/dev/null || rig_die "regset32 failed"
    movendo /get
    # The newer ones to E: (made while D: was away), the older ones back on D:.
    mv "$DRIVE_D/mvtemp" "$DRIVE_D/mvtempbk" "$RIG_ROOT/drives/e/" && mv "$older"/* "$DRIVE_D/" && rmdir "$older"
    check /verify || rc=$?
    expect_eq "$rc $(grep -c 'GAP: ' "$RIG_RUN/check.out")" "1 2" "/verify exits 1, the newest equal to the machine"
    expect_match "$(cat "$RIG_RUN/check.out")" 'problem: E:\\mvtempbk is a workspace too, but Movendo.exe /get and /set take D:\\mvtempbk, .*: E:\\mvtempbk is the newer' \
        "E:\\mvtempbk is named, newer than D:\\mvtempbk, which the program takes"
    expect_match "$(cat "$RIG_RUN/check.out")" 'GAP: mvtemp: held against this machine is E:\\mvtemp, the newest; /set would take D:\\mvtemp' "the one /set takes is named"
}

# Wine reads a drive letter linked to another letter's folder as that letter: a drive whose paths
# do not resolve. /get passes it over; a workspace on it is named and not used.
case_drive_that_does_not_resolve() {
    suite_prepare
    rig_layout d:cdrom e:hd f:hd
    ln -sfn "$RIG_ROOT/drives/d" "$WINEPREFIX/dosdevices/e:"
    echo "e: linked to d:" >"$RIG_ROOT/layout"  # the next layout links every letter anew
    suite_clean
    suite install || rig_die "movsuite install failed"
    movendo /get
    expect_eq "$(rig_workspaces)" "F:\\mvtemp F:\\mvtempbk" "/get passes over E:, which reads as D:, and makes its workspaces on F:"
    mkdir "$RIG_ROOT/drives/d/mvtemp"
    local rc=0
    check || rc=$?
    expect_eq "$rc" 1 "MovendoCheck exits 1"
    expect_match "$(cat "$RIG_RUN/check.out")" 'problem: E:\\mvtemp is not used: the paths of its drive do not resolve' "the workspace on E: is named as not used"
}

# What /get leaves by design is named before the wipe: a value and a file of the suite's
# VirtualStore that differ from the machine's, and a suite file whose name ends in .mvpart.
case_what_get_leaves() {
    installed_and_saved
    local copy virtual rc=0 out
    helper regset32 'HKCU\Software\Classes\VirtualStore\MACHINE\SOFTWARE\WOW6432Node\Tamrix\Mirovane\MainApp' LiveServerNo dword 99 >/dev/null ||
        rig_die "regset32 failed"
    copy=$(cd "$DRIVE_D/mvtemp/MV" && find . -type f | sort | head -n1)
    virtual="$(host_path "$LOCAL_APPDATA")/VirtualStore/ProgramData/Tamrix/Mirovane/${copy#./}"
    mkdir -p "$(dirname "$virtual")"
    echo "written without elevation" >"$virtual"
    echo "a file of the suite" >"$SUITE_DATA/Setting.xml.mvpart"
    check /verify || rc=$?
    expect_eq "$rc $(grep -c 'GAP: ' "$RIG_RUN/check.out")" "1 3" "/verify exits 1 with three gaps"
    out=$(cat "$RIG_RUN/check.out")
    expect_match "$out" "GAP: .*MainApp\\\\LiveServerNo: differs in the VirtualStore .*REG_DWORD 99, the machine's REG_DWORD" "the VirtualStore's value is named"
    expect_match "$out" "GAP: .*$(basename "$copy"): its copy in the VirtualStore, .*, differs from it" "the VirtualStore's file is named"
    expect_match "$out" 'GAP: .*Setting.xml.mvpart: a name ending in .mvpart, which /get never carries' "the suite's part file is named"
}

# The gate: a reinstall without one snapshot key and without the local Tamrix folder loses data;
# a complete one does not.
case_preview_gate() {
    installed_and_saved
    suite reinstall || rig_die "movsuite reinstall failed"
    helper regdel32 "$SUITE_KEY\\Rondisc\\MPEG2_HDTVSD" >/dev/null || rig_die "regdel32 failed"
    rm -rf "$LOCAL_TAMRIX"
    local rc=0
    hold_state
    check /preview /json || rc=$?
    expect_eq "$rc" 4 "/preview exits 4"
    expect_eq "$(json_get 'd["exitCode"], len(d["losses"])')" "(4, 4)" "four losses, two per workspace"
    expect_eq "$(json_get 'sum("Rondisc4.dat" in l and l.endswith("install the suite first") for l in d["losses"])')" 2 \
        "the missing snapshot key is named, with what to do"
    expect_eq "$(json_get 'sum(("create folder " + sys.argv[3] + " first") in l for l in d["losses"])' "${LOCAL_APPDATA}\\Tamrix")" 2 \
        "the missing local Tamrix folder is named, with what to do"
    every_mode_changes_nothing

    suite reinstall || rig_die "movsuite reinstall failed"
    rc=0
    check /preview || rc=$?
    expect_eq "$rc" 0 "/preview after a complete reinstall exits 0"
    expect_match "$(cat "$RIG_RUN/check.out")" 'without writing it back: none' "no loss named"
    expect_eq "$(($(grep -c 'missing value' "$RIG_RUN/check.out") > 0)) $(grep -c 'last /get' "$RIG_RUN/check.out")" "1 0" \
        "the values the reinstall did not make are listed, and none is cast as not from this machine"
}

rig_main "$@"
