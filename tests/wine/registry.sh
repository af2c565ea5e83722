#!/usr/bin/env bash
# The registry transfer of real runs: values of the 32-bit view become records of the settings
# file through the real profile functions and come back from them; whole keys become hive files.
. "$(dirname "$0")/lib.sh"

SUITE_KEYS=(
    'HKLM\SOFTWARE\Tamrix\Mirovane'
    'HKLM\SOFTWARE\Tamrix\Brevisto'
    'HKLM\SOFTWARE\Tamrix\Rondisc'
    'HKCU\SOFTWARE\Tamrix'
)

clear_registry() {
    helper regdel32 "${SUITE_KEYS[@]}" >/dev/null || fail "cannot remove the suite's keys (32-bit view)"
    helper regdel64 "${SUITE_KEYS[@]}" >/dev/null || fail "cannot remove the suite's keys (64-bit view)"
}

import32() {  # import32 TEXT: regdump32 lines into the 32-bit view
    printf '%s\n' "$1" >"$RIG_RUN/import.txt"
    helper regimport32 'C:\rig\run\import.txt' >/dev/null || fail "seeding the registry"
}

# The settings file as text: UTF-16 when it starts with a byte-order mark, else the ANSI code
# page (ASCII here); line ends removed.
settings_text() {
    local file=$1
    [ -f "$file" ] || { echo "(no settings file)"; return; }
    if [ "$(head -c 2 "$file" | od -An -tx1 | tr -d ' ')" = fffe ]; then
        iconv -f UTF-16LE -t UTF-8 "$file" | sed '1s/^\xEF\xBB\xBF//'
    else
        cat "$file"
    fi | tr -d '\r'
}

# The record KEY of SECTION in the settings text, section names compared without case.
record() {  # record TEXT SECTION KEY
    awk -v section="[$2]" -v key="$3" '
        /^\[/ { inside = (tolower($0) == tolower(section)); next }
        inside && index($0, key "=") == 1 { print substr($0, length(key) + 2); found = 1; exit }
        END { if (!found) print "(no record)" }' <<<"$1"
}

DTCHUTL='SOFTWARE\Tamrix\Mirovane\ApInfo\DtChUtl'
MAINAPP='SOFTWARE\Tamrix\Mirovane\MainApp'

# Values seeded in the 32-bit view are the ones saved (the 64-bit view holds other data under
# the same names), number and string records read back as the settings file's text, and the
# restore writes them back into the 32-bit view only.
case_value_records_of_the_32bit_view() {
    rig_default_layout
    clear_registry
    import32 "[HKLM\\$DTCHUTL]
Area=dword:13
CATV=dword:4294967295
ExecuteDate=sz:2024/05/06 12:00
[HKLM\\$MAINAPP]
PrefectCode=dword:0
MpegFileSavePath=sz:D:\\\\Video
[HKCU\\$MAINAPP]
PresetDTV_0=dword:2147483647"
    helper regset64 "HKLM\\$DTCHUTL" Area dword 99 >/dev/null
    helper regset64 "HKLM\\$DTCHUTL" Only64 dword 1 >/dev/null

    movendo /get
    local ws text
    for ws in mvtemp mvtempbk; do
        text=$(settings_text "$RIG_ROOT/drives/d/$ws/Movendo.ini")
        expect_eq "$(record "$text" "HKEY_LOCAL_MACHINE\\$DTCHUTL" Area)" 13 "$ws: Area from the 32-bit view"
        expect_eq "$(record "$text" "HKEY_LOCAL_MACHINE\\$DTCHUTL" CATV)" -1 "$ws: 0xFFFFFFFF as -1"
        expect_eq "$(record "$text" "HKEY_LOCAL_MACHINE\\$DTCHUTL" ExecuteDate)" "2024/05/06 12:00" "$ws: a string record"
        expect_eq "$(record "$text" "HKEY_LOCAL_MACHINE\\$DTCHUTL" Only64)" "(no record)" "$ws: nothing from the 64-bit view"
        expect_eq "$(record "$text" "HKEY_LOCAL_MACHINE\\$MAINAPP" PrefectCode)" 0 "$ws: a zero"
        expect_eq "$(record "$text" "HKEY_LOCAL_MACHINE\\$MAINAPP" MpegFileSavePath)" 'D:\Video' "$ws: a path"
        expect_eq "$(record "$text" "HKEY_CURRENT_USER\\$MAINAPP" PresetDTV_0)" 2147483647 "$ws: a value of the user's key"
    done

    # The reinstall: the suite's keys hold defaults again.
    clear_registry
    import32 "[HKLM\\$DTCHUTL]
Area=dword:1"
    helper regset64 "HKLM\\$DTCHUTL" Area dword 99 >/dev/null
    movendo /set
    expect_same_lines "$(helper regdump32 "HKLM\\$DTCHUTL" | tr -d '\r')" "[HKLM\\$DTCHUTL]
Area=dword:13
CATV=dword:4294967295
ExecuteDate=sz:2024/05/06 12:00" "the 32-bit view gets the saved values back"
    expect_same_lines "$(helper regdump64 "HKLM\\$DTCHUTL" | tr -d '\r')" "[HKLM\\$DTCHUTL]
Area=dword:99" "the 64-bit view is not touched"
    expect_eq "$(helper regdump32 "HKCU\\$MAINAPP" | tr -d '\r' | grep PresetDTV_0)" "PresetDTV_0=dword:2147483647" "the user's value back"
    expect_dir "$RIG_ROOT/drives/d/Video" "the recording folder that the restored path names"
    clear_registry
}

# A key of the snapshot table that exists gets its hive file, with its own values (those of the
# 32-bit view); a missing key gets none.
case_hive_files() {
    rig_default_layout
    clear_registry
    import32 '[HKLM\SOFTWARE\Tamrix\Mirovane\ApInfo\IPTV]
Adapter=dword:1
AdapterName=sz:Ethernet Stand-in
[HKLM\SOFTWARE\Tamrix\Mirovane\ApInfo\IPTV\Channels]
ChannelMarker32=dword:7
[HKLM\SOFTWARE\Tamrix\Rondisc\MPEG2_HDTV]
RondiscMarker=sz:x'
    helper regset64 'HKLM\SOFTWARE\Tamrix\Mirovane\ApInfo\IPTV' Marker64Only dword 1 >/dev/null
    movendo /get
    local ws file
    for ws in mvtemp mvtempbk; do
        file="$RIG_ROOT/drives/d/$ws/IPTV.dat"
        expect_file "$file" "$ws\\IPTV.dat written for an existing key"
        # The value names stand in the file as text (in the platform's format, whatever it is).
        if grep -aq ChannelMarker32 "$file" 2>/dev/null || iconv -f UTF-16LE -t UTF-8 "$file" 2>/dev/null | grep -aq ChannelMarker32; then
            pass "$ws\\IPTV.dat holds the subkey's value"
        else
            fail "$ws\\IPTV.dat holds the subkey's value"
        fi
        if grep -aq Marker64Only "$file" 2>/dev/null; then fail "$ws\\IPTV.dat holds a value of the 64-bit view"; else pass "$ws\\IPTV.dat is the 32-bit view's key"; fi
        expect_file "$RIG_ROOT/drives/d/$ws/Rondisc2.dat" "$ws\\Rondisc2.dat written"
        for missing in CheckSum.dat Brevisto.dat Rondisc1.dat Rondisc3.dat Rondisc4.dat; do
            expect_absent "$RIG_ROOT/drives/d/$ws/$missing" "$ws: no $missing for a missing key"
        done
    done
    clear_registry
}

# Texts that the profile functions would change come back byte for byte (they stand quoted in the
# file); a text with a line break gets no record, so a list name written by the user cannot plant a
# section of HKEY_LOCAL_MACHINE in the file; a number of another type gets no record either. The
# raw bytes of the settings file are the evidence.
case_texts_read_back_as_written() {
    rig_default_layout
    clear_registry
    local epg='SOFTWARE\Tamrix\Mirovane\ApInfo\CnfigSet\EPG_Setting'
    import32 "[HKCU\\Software\\Tamrix\\Mirovane\\MainApp\\DispMY1]
num=dword:1
name=sz:x\\r\\n[HKEY_LOCAL_MACHINE\\\\${epg//\\/\\\\}]\\r\\nAutoReceive=7
SOURCE0=dword:1
[HKLM\\$MAINAPP]
ZipCode=sz:  Kids  
LiveServerUUID=sz:\"Kids\" and \"Teens\"
[HKLM\\$DTCHUTL]
ExecuteDate=sz:'Kids'
Area=sz:1
[HKLM\\SOFTWARE\\Tamrix\\Mirovane\\TamrixMVTV]
CompleteWizard=sz:\"Kids\"
[HKLM\\SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\IPTV]
Adapter=sz:A\\r\\nB"
    local keys=("HKLM\\$MAINAPP" "HKLM\\$DTCHUTL" 'HKLM\SOFTWARE\Tamrix\Mirovane\TamrixMVTV') before
    before=$(helper regdump32 "${keys[@]}" | tr -d '\r' | grep -v '^Area=')
    movendo /get
    local ws text
    for ws in mvtemp mvtempbk; do
        text=$(settings_text "$RIG_ROOT/drives/d/$ws/Movendo.ini")
        expect_eq "$(grep -c AutoReceive <<<"$text")" 0 "$ws: the name's line break planted no record"
        expect_eq "$(record "$text" "HKEY_LOCAL_MACHINE\\$MAINAPP" ZipCode)" '"  Kids  "' "$ws: blanks at both ends, quoted"
        expect_eq "$(record "$text" "HKEY_LOCAL_MACHINE\\$DTCHUTL" Area)" "(no record)" "$ws: a REG_SZ of a number row"
        expect_eq "$(record "$text" 'HKEY_LOCAL_MACHINE\SOFTWARE\Tamrix\Mirovane\ApInfo\IPTV' Adapter)" "(no record)" "$ws: a text with a line break"
    done

    # The reinstall: defaults, then the restore.
    clear_registry
    import32 "[HKLM\\$DTCHUTL]
Area=dword:5
[HKLM\\SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\IPTV]
Adapter=sz:installed"
    movendo /set
    expect_same_lines "$(helper regdump32 "${keys[@]}" | tr -d '\r' | grep -v '^Area=')" "$before" "every quoted text back byte for byte"
    expect_eq "$(helper regdump32 "HKLM\\$DTCHUTL" | tr -d '\r' | grep '^Area=')" "Area=dword:5" "the installed number stays"
    expect_eq "$(helper regdump32 'HKLM\SOFTWARE\Tamrix\Mirovane\ApInfo\IPTV' | tr -d '\r' | grep '^Adapter=')" "Adapter=sz:installed" "the installed text stays"
    expect_eq "$(helper regdump32 "HKLM\\$epg" 2>/dev/null | grep -c AutoReceive)" 0 "no value of HKEY_LOCAL_MACHINE planted by a user's text"
    clear_registry
}

rig_main "$@"
