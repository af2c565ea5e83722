#!/usr/bin/env bash
# A second /get into the workspaces of an earlier one (a backup early, another just before the
# wipe) leaves them holding this machine as it is then: nothing the machine lost in between, no
# part file of a killed run, every key saved anew.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/suite/roundtrip_lib.sh"

DISPMY1='HKCU\Software\Tamrix\Mirovane\MainApp\DispMY1'
IPTV='HKLM\SOFTWARE\Tamrix\Mirovane\ApInfo\IPTV'

# The records of DispMY1 in a workspace's settings file (UTF-16LE after its byte-order mark).
dispmy1_records() {
    iconv -f UTF-16LE -t UTF-8 "$1/Movendo.ini" | tr -d '\r' |
        awk '/^\[/ { inside = (tolower($0) == tolower("[HKEY_CURRENT_USER\\Software\\Tamrix\\Mirovane\\MainApp\\DispMY1]")); next } inside'
}

case_second_get_holds_this_machine() {
    suite_installed
    local suite_data drive_d=$RIG_ROOT/drives/d
    suite_data=$(host_path "$RIG_COMMON_APPDATA")/Tamrix/Mirovane
    movendo /get
    expect_match "$(dispmy1_records "$drive_d/mvtemp")" 'SOURCE2=' "the first /get saved the third pair of DispMY1"

    helper regdel32 "$DISPMY1" >/dev/null || fail "removing DispMY1"
    printf '[%s]\nnum=dword:2\nname=sz:Shorter\nSOURCE0=dword:1\nID0=dword:1\nSOURCE1=dword:2\nID1=dword:2\n' "$DISPMY1" \
        >"$RIG_RUN/import.txt"
    helper regimport32 'C:\rig\run\import.txt' >/dev/null || fail "seeding the shorter list"
    helper regset32 "$IPTV" AddedAfterTheFirstGet dword 1 >/dev/null || fail "changing the IPTV key"
    rm -f "$suite_data/Setting.xml"
    head -c 65536 /dev/zero >"$drive_d/mvtempbk/MV/big.bin.mvpart"
    chmod a-w "$drive_d/mvtempbk/MV/big.bin.mvpart"
    head -c 65536 /dev/zero >"$suite_data/big.bin.mvpart"
    movendo /get

    local ws text
    for ws in mvtemp mvtempbk; do
        text=$(dispmy1_records "$drive_d/$ws")
        expect_eq "$(grep -c '^SOURCE2=' <<<"$text")" 0 "$ws: the pair the list lost is not kept"
        expect_absent "$drive_d/$ws/MV/Setting.xml" "$ws: the file the suite lost is not kept"
        expect_absent "$drive_d/$ws/MV/big.bin.mvpart" "$ws: no part file of a killed run"
        if grep -aq AddedAfterTheFirstGet "$drive_d/$ws/IPTV.dat"; then pass "$ws: IPTV.dat saved anew"; else fail "$ws: IPTV.dat saved anew"; fi
    done
    local rc=0
    check /verify || rc=$?
    expect_eq "$rc" 0 "MovendoCheck /verify finds both workspaces equal to the machine: $(tail -n 3 "$RIG_RUN/check.out" | tr -d '\r')"
}

rig_main "$@"
