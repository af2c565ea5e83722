#!/usr/bin/env bash
# The suite's neighbours in real runs: a service that takes seconds to stop and saves at its stop
# (as the sample service of Windows' documentation stops), and a scanner that holds a file for a moment when a new
# entry appears beside it. What each command carries is what was saved, and no stop overwrites it.
. "$(dirname "$0")/lib.sh"

SERVICE=MVAdminService
VALUE_KEY='SOFTWARE\Tamrix\Mirovane\ApInfo\DtChUtl'
SAVED="saved by the service at its stop"

neighbours_setup() {
    rig_default_layout
    SUITE_DATA=$(host_path "$RIG_COMMON_APPDATA")/Tamrix/Mirovane
    SETTINGS="$SUITE_DATA/Settings.xml"
    rm -rf "$SUITE_DATA"
    mkdir -p "$SUITE_DATA"
}

settings_in() { cat "$1/MV/Settings.xml" 2>/dev/null || echo "(no copy)"; }
area() { helper regdump32 "HKLM\\$VALUE_KEY" | tr -d '\r' | grep '^Area=' || echo "(no value)"; }

stop_service() {
    case "$(helper svc "$SERVICE" | tr -d '\r')" in
        missing | stopped) ;;
        *) sc_run stop "$SERVICE"; wait_service "$SERVICE" stopped 20 || fail "service $SERVICE did not stop" ;;
    esac
}

# The stand-in service, holding the suite's Settings.xml; at its stop it takes 3 s, then writes
# TEXT into it and NUMBER as the catalogue value Area.
start_saving_service() {  # start_saving_service TEXT NUMBER
    stop_service
    if [ "$(helper svc "$SERVICE" | tr -d '\r')" = missing ]; then
        sc_run create "$SERVICE" binpath= 'C:\rig\standin_service.exe' || fail "sc create $SERVICE: $(cat "$RIG_RUN/sc.out")"
    fi
    helper svcstart "$SERVICE" 3000 "$RIG_COMMON_APPDATA\\Tamrix\\Mirovane\\Settings.xml" "$1" "$VALUE_KEY" Area "$2" >/dev/null
    wait_service "$SERVICE" running 20 || fail "service $SERVICE did not start: $(helper svc "$SERVICE")"
}

# /get waits for the stop and carries what it saved; after a reinstall, /set waits for the stop
# of the installed service, whose defaults then yield to what is restored.
case_service_that_saves_at_its_stop() {
    neighbours_setup
    printf 'installed' >"$SETTINGS"
    helper regset32 "HKLM\\$VALUE_KEY" Area dword 7 >/dev/null
    start_saving_service "$SAVED" 42
    movendo /get
    echo "  Movendo.exe /get with a service that takes 3 s to stop: $LAUNCH_MS ms"
    expect_eq "$(helper svc "$SERVICE" | tr -d '\r')" stopped "the service stopped before the run ended"
    stop_service  # what it saves at a stop the run did not wait for comes now
    local ws
    for ws in mvtempbk mvtemp; do
        expect_eq "$(settings_in "$RIG_ROOT/drives/d/$ws")" "$SAVED" "D:\\$ws holds what the service saved at its stop"
    done
    printf 'installed' >"$SETTINGS"
    helper regset32 "HKLM\\$VALUE_KEY" Area dword 7 >/dev/null
    start_saving_service "default written at its stop" 1
    movendo /set
    echo "  Movendo.exe /set with a service that takes 3 s to stop: $LAUNCH_MS ms"
    expect_eq "$(helper svc "$SERVICE" | tr -d '\r')" stopped "the service stopped before the run ended"
    stop_service
    expect_eq "$(cat "$SETTINGS")" "$SAVED" "the restored file, not the service's default"
    expect_eq "$(area)" "Area=dword:42" "the restored value, not the service's default"
    expect_eq "$(rig_workspaces)" "" "everything landed: both workspaces deleted"
}

# The scanner stand-in, watching FOLDER for a new part file of Settings.xml.
start_scanner() {  # start_scanner FOLDER
    rig_spawn scanner 'C:\rig\standin_scanner.exe' "$1" Settings.xml 1500
    local i
    for ((i = 0; i < 100; i++)); do
        grep -q watching "$SPAWN_LOG" 2>/dev/null && return 0
        sleep 0.1
    done
    fail "the scanner did not start: $(cat "$SPAWN_LOG")"
}

stop_scanner() {
    helper kill standin_scanner.exe >/dev/null
    helper waitgone standin_scanner.exe 10000 >/dev/null 2>&1
}

# A copy held for 1.5 s as its replacement begins is replaced at both commands; no workspace stays.
case_scanner_that_holds_copies() {
    neighbours_setup
    printf 'first' >"$SETTINGS"
    movendo /get
    local changed="changed after the first backup" ws
    printf '%s' "$changed" >"$SETTINGS"
    start_scanner 'D:\'
    movendo /get
    echo "  Movendo.exe /get with a scanner holding the copies: $LAUNCH_MS ms"
    for ws in mvtempbk mvtemp; do
        expect_eq "$(settings_in "$RIG_ROOT/drives/d/$ws")" "$changed" "D:\\$ws: the held copy is replaced"
    done
    stop_scanner
    expect_match "$(grep -c '^held D:' "$SPAWN_LOG")" '^[1-9]' "the scanner held the copies"
    printf 'installed' >"$SETTINGS"
    start_scanner "$RIG_COMMON_APPDATA\\Tamrix\\Mirovane"
    movendo /set
    echo "  Movendo.exe /set with a scanner holding the suite's file: $LAUNCH_MS ms"
    stop_scanner
    expect_match "$(grep -c '^held C:' "$SPAWN_LOG")" '^[1-9]' "the scanner held the suite's file"
    expect_eq "$(cat "$SETTINGS")" "$changed" "the held suite file is replaced"
    expect_eq "$(find "$RIG_ROOT/drives/d" "$SUITE_DATA" -name '*.mvpart' | wc -l)" 0 "no part file left"
    expect_eq "$(rig_workspaces)" "" "everything landed: both workspaces deleted"
}

rig_main "$@"
