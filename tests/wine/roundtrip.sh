#!/usr/bin/env bash
# The whole job on the real platform: a stand-in installation backed up by "/get", wiped and
# reinstalled, checked by MovendoCheck, and written back by "/set", with the restore plan of
# "/preview /json" saved on D: before and held against the machine by "/confirm" after. Every value
# is read back in the 32-bit registry view, every data file and C:\MvdMng.ini compared. Wine's
# RegRestoreKeyW is a stub, so the seven key snapshots are checked as hive files written at
# backup, not as keys restored, and /confirm names them as not restored.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/suite/roundtrip_lib.sh"

case_roundtrip() {
    suite_installed
    movendo /get
    local drive="$RIG_ROOT/drives/d" name
    for name in Movendo.ini CheckSum.dat IPTV.dat Brevisto.dat Rondisc1.dat Rondisc2.dat Rondisc3.dat Rondisc4.dat MvdMng.ini; do
        expect_file "$drive/mvtemp/$name" "mvtemp holds $name"
        expect_file "$drive/mvtempbk/$name" "mvtempbk holds $name"
    done
    local rc=0
    check || rc=$?
    expect_eq "$rc" 0 "MovendoCheck after /get: both workspaces complete and identical"
    expect_match "$(tail -n1 "$RIG_RUN/check.out")" 'both workspaces complete and identical' "MovendoCheck summary"

    suite reinstall || rig_die "movsuite reinstall failed: $(cat "$RIG_RUN/suite.out")"
    rc=0
    check /preview /json || rc=$?
    expect_eq "$rc" 0 "MovendoCheck /preview after the reinstall"
    cp "$RIG_RUN/check.out" "$drive/plan.json"
    expect_eq "$(plan_get '[v["live"] for v in d["preview"]["values"] if v["name"] == "PrefectCode"]')" "['0']" \
        "the preview names the value the reinstall reset"
    expect_eq "$(plan_get '[f["outcome"] for f in d["preview"]["files"] if f["path"] == "C:\\MvdMng.ini"]')" "['create']" \
        "the preview names C:\\MvdMng.ini"

    movendo /set
    rc=0
    suite report || rc=$?
    sed 's/^/    /' "$RIG_RUN/suite.out"
    expect_eq "$rc" 0 "every value, list and data file restored"
    expect_match "$(tail -n1 "$RIG_RUN/suite.out")" '^restored ([0-9]+) of \1, differing 0' "report's final line"
    expect_eq "$(rig_workspaces)" '' "both workspaces deleted"
    for name in Mpeg TimeShift Auto; do expect_dir "$drive/Rec/$name" "recording folder D:\\Rec\\$name made"; done

    # RegRestoreKeyW restores nothing under Wine: /confirm compares each key with the content the plan
    # holds, and names the seven keys, which keep what the reinstall put there, and nothing else.
    rc=0
    check /confirm 'D:\plan.json' /json || rc=$?
    expect_eq "$rc" 1 "MovendoCheck /confirm after /set: the seven keys are not restored under Wine"
    expect_eq "$(plan_get 'sorted(set((f["item"], f["why"].split(":")[0]) for f in d["confirm"]["failures"])), len(d["confirm"]["failures"])')" \
        "([('key', 'not as D')], 7)" "/confirm names the seven keys as not restored, and nothing else"
    helper regset32 'HKLM\SOFTWARE\Tamrix\Mirovane\MainApp' LiveServerNo dword 4242 >/dev/null || rig_die "cannot change a value"
    rc=0
    check /confirm 'D:\plan.json' /json || rc=$?
    expect_eq "$rc" 1 "MovendoCheck /confirm after one value changed"
    expect_eq "$(plan_get '" | ".join(f["item"] + " " + f["what"] + ": " + f["why"].split(",")[0] for f in d["confirm"]["failures"] if f["item"] != "key")')" \
        "value [HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\MainApp] LiveServerNo: differs (now REG_DWORD \"4242\"" \
        "/confirm names the changed value beside the keys"
}

# plan_get EXPRESSION: a Python expression over the JSON document "d" of check.out.
plan_get() {
    python3 -c 'import json, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
print(eval(sys.argv[2]))' "$RIG_RUN/check.out" "$1"
}

# A second "/set" finds no workspace and changes nothing.
case_set_twice() {
    suite_installed
    movendo /get
    movendo /set
    helper regdump32 'HKLM\SOFTWARE\Tamrix' >"$RIG_RUN/before.txt"
    find "$RIG_C/ProgramData/Tamrix" -type f -printf '%P %s\n' | sort >"$RIG_RUN/files-before.txt"
    movendo /set
    expect_same_lines "$(helper regdump32 'HKLM\SOFTWARE\Tamrix')" "$(cat "$RIG_RUN/before.txt")" "registry unchanged by the second /set"
    expect_same_lines "$(find "$RIG_C/ProgramData/Tamrix" -type f -printf '%P %s\n' | sort)" \
        "$(cat "$RIG_RUN/files-before.txt")" "data files unchanged by the second /set"
    expect_eq "$(rig_workspaces)" '' "no workspace made"
}

# One record edited in one workspace: MovendoCheck exits 1 and names it.
case_check_names_edited_record() {
    suite_installed
    movendo /get
    suite iniset 'D:\mvtempbk\Movendo.ini' 'HKEY_LOCAL_MACHINE\SOFTWARE\Tamrix\Mirovane\MainApp' LiveServerNo 77 ||
        rig_die "cannot edit the record"
    local rc=0
    check || rc=$?
    expect_eq "$rc" 1 "MovendoCheck exits 1"
    expect_match "$(cat "$RIG_RUN/check.out")" 'LiveServerNo differs: "-?[0-9]+" in mvtemp, "77" in mvtempbk' "the edited record is named"
}

rig_main "$@"
