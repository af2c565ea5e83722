#!/usr/bin/env bash
# Entry and command dispatch of the real program: every run ends by itself, shows no window and
# writes nothing; only the exact tails "/get" and "/set" do anything, and "/get" is the one that
# leaves an observable trace (the two workspaces on the first fixed drive).
. "$(dirname "$0")/lib.sh"

# run_tail TAIL EXPECTED_WORKSPACES: the tail after one blank on a fresh pair of fixed drives.
run_tail() {
    rig_default_layout
    movendo "$1"
    expect_eq "$(rig_workspaces)" "$2" "workspaces after the tail [$1]"
}

case_tail_empty() { run_tail "" ""; }
case_tail_get() { run_tail "/get" 'D:\mvtemp D:\mvtempbk'; }
case_tail_set() { run_tail "/set" ""; }
case_tail_blanks_before_get() {
    rig_default_layout
    run_movendo_cmdline 'C:\rig\Movendo.exe    /get'
    expect_eq "$(rig_workspaces)" 'D:\mvtemp D:\mvtempbk' "blanks between the name and /get are skipped"
}
case_tail_tab_before_get() {
    rig_default_layout
    run_movendo_cmdline $'C:\\rig\\Movendo.exe\t/get'
    expect_eq "$(rig_workspaces)" 'D:\mvtemp D:\mvtempbk' "a tab ends the name and is skipped"
}
case_tail_get_trailing_blank() { run_tail "/get " ""; }
case_tail_uppercase() {
    run_tail "/GET" ""
    run_tail "/Get" ""
}
case_tail_quoted_get() { run_tail '"/get"' ""; }
case_tail_get_and_set() { run_tail "/get /set" ""; }

# The program's path in quotes, with blanks, is skipped whole; unquoted, the blank ends the name.
case_quoted_program_path_with_blanks() {
    rig_default_layout
    local folder="$RIG_C/Program Files/Movendo Tool"
    mkdir -p "$folder"
    cp "$RIG_C/rig/Movendo.exe" "$folder/Movendo.exe"
    run_movendo_cmdline '"C:\Program Files\Movendo Tool\Movendo.exe" /get'
    expect_eq "$(rig_workspaces)" 'D:\mvtemp D:\mvtempbk' "quoted path with blanks, then /get"
    rig_default_layout
    run_movendo_cmdline '"C:\Program Files\Movendo Tool\Movendo.exe"/get'
    expect_eq "$(rig_workspaces)" '' "a quote does not end the name: the tail is empty"
    rm -rf "$RIG_C/Program Files/Movendo Tool"
}

# The way a person starts it from a shell: wine Movendo.exe /get. Times one run.
case_plain_wine_run() {
    rig_default_layout
    local out="$RIG_RUN/plain.out" err="$RIG_RUN/plain.err" start end
    start=$(date +%s%N)
    rig_wine "$out" "$err" 'C:\rig\Movendo.exe' /get
    local rc=$?
    end=$(date +%s%N)
    echo "  one 'wine Movendo.exe /get' run: $(((end - start) / 1000000)) ms"
    expect_eq "$rc" 0 "wine Movendo.exe /get ends normally"
    expect_eq "$(cat "$out" "$err")" "" "nothing on standard output or error"
    expect_eq "$(rig_workspaces)" 'D:\mvtemp D:\mvtempbk' "workspaces made by wine Movendo.exe /get"
}

# The rig itself: a program that shows a window is seen doing so, so that "shows no window" above
# means what it says.
case_launch_sees_a_window() {
    rig_launch 'C:\rig\standin_window.exe "Seen Class" Seen' 3000
    expect_match "$LAUNCH" '^failed: timeout .* windows=[1-9][0-9]* visible=1$' "the stand-in's window is seen while it runs"
}

rig_main "$@"
