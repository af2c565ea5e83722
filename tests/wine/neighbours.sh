#!/usr/bin/env bash
# The suite's neighbours in real runs: a service that takes 3 s to stop and saves at its stop (as
# the sample service of Windows' documentation stops), and a scanner that holds a file for 1.5 s
# as its replacement begins. Each command carries what was saved, and no stop overwrites it.
. "$(dirname "$0")/lib.sh"

SERVICE=MVAdminService
VALUE_KEY='SOFTWARE\Tamrix\Mirovane\ApInfo\DtChUtl'
SAVED="saved by the service at its stop"

install() {  # install TEXT: the suite's Settings.xml holds TEXT, Area is 7
    SETTINGS="$(host_path "$RIG_COMMON_APPDATA")/Tamrix/Mirovane/Settings.xml"
    mkdir -p "$(dirname "$SETTINGS")"
    printf '%s' "$1" >"$SETTINGS"
    helper regset32 "HKLM\\$VALUE_KEY" Area dword 7 >/dev/null
}

copies() { cat "$RIG_ROOT"/drives/d/mvtemp{bk,}/MV/Settings.xml 2>/dev/null | tr '\n' '|'; }
service_state() { helper svc "$SERVICE" | tr -d '\r'; }

# Checks that the run left the service stopped, then waits for a stop it did not wait for.
expect_stopped() {
    expect_eq "$(service_state)" stopped "the service stopped before the run ended"
    [ "$(service_state)" = stopped ] || wait_service "$SERVICE" stopped 20
}

# The stand-in service holds Settings.xml; at its stop it takes 3 s, then writes TEXT into it and
# NUMBER as the catalogue value Area.
start_saving_service() {  # start_saving_service TEXT NUMBER
    [ "$(service_state)" != missing ] || sc_run create "$SERVICE" binpath= 'C:\rig\standin_service.exe'
    helper svcstart "$SERVICE" 3000 "$RIG_COMMON_APPDATA\\Tamrix\\Mirovane\\Settings.xml" "$1" "$VALUE_KEY" Area "$2" >/dev/null
    wait_service "$SERVICE" running 20 || fail "service $SERVICE did not start: $(service_state)"
}

case_service_that_saves_at_its_stop() {
    rig_default_layout
    install installed
    start_saving_service "$SAVED" 42
    movendo /get
    echo "  Movendo.exe /get with a service that takes 3 s to stop: $LAUNCH_MS ms"
    expect_stopped
    expect_eq "$(copies)" "$SAVED$SAVED" "both workspaces hold what the service saved at its stop"
    install installed
    start_saving_service "default written at its stop" 1
    movendo /set
    echo "  Movendo.exe /set with a service that takes 3 s to stop: $LAUNCH_MS ms"
    expect_stopped
    expect_eq "$(cat "$SETTINGS")" "$SAVED" "the restored file, not the service's default"
    expect_eq "$(helper regdump32 "HKLM\\$VALUE_KEY" | tr -d '\r' | grep '^Area=')" "Area=dword:42" "the restored value"
    expect_eq "$(rig_workspaces)" "" "everything landed: both workspaces deleted"
}

# Runs the command while the scanner stand-in watches FOLDER for a new part file of Settings.xml.
scanned() {  # scanned FOLDER COMMAND
    rig_spawn scanner 'C:\rig\standin_scanner.exe' "$1" Settings.xml 1500
    local i
    for ((i = 0; i < 100; i++)); do grep -q watching "$SPAWN_LOG" 2>/dev/null && break || sleep 0.1; done
    movendo "$2"
    echo "  Movendo.exe $2 with a scanner holding a file it replaces: $LAUNCH_MS ms"
    helper kill standin_scanner.exe >/dev/null
    expect_match "$(grep -c '^held' "$SPAWN_LOG")" '^[1-9]' "the scanner held a file the run replaced"
}

case_scanner_that_holds_copies() {
    rig_default_layout
    install first
    movendo /get
    local changed="changed after the first backup"
    printf '%s' "$changed" >"$SETTINGS"
    scanned 'D:\' /get
    expect_eq "$(copies)" "$changed$changed" "both held copies are replaced"
    printf 'installed' >"$SETTINGS"
    scanned "$RIG_COMMON_APPDATA\\Tamrix\\Mirovane" /set
    expect_eq "$(cat "$SETTINGS")" "$changed" "the held suite file is replaced"
    expect_eq "$(find "$RIG_ROOT/drives/d" "$(dirname "$SETTINGS")" -name '*.mvpart' | wc -l)" 0 "no part file left"
    expect_eq "$(rig_workspaces)" "" "everything landed: both workspaces deleted"
}

rig_main "$@"
