# The round trip of a stand-in installation through "/get", a reinstall and "/set" in the rig
# prefix, shared by the demo and the round-trip test. Sourced after tests/wine/lib.sh and
# rig_load.

# Copies the stand-in installer and the inspector beside the rig's other programs.
suite_prepare() {
    local exe
    for exe in movsuite MovendoCheck; do
        cp "$MOVENDO_WIN64_DIR/$exe.exe" "$RIG_C/rig/$exe.exe" || rig_die "missing $MOVENDO_WIN64_DIR/$exe.exe"
    done
}

# suite ARGS...: runs movsuite; its output in $RIG_RUN/suite.out; returns its exit code. A run that
# ends without a word (Wine did not start it: seen now and then on a loaded machine, exit code and
# Wine's own message in the note) is tried once more.
suite() {
    local rc=0
    rig_wine "$RIG_RUN/suite.out" "$RIG_RUN/suite.err" 'C:\rig\movsuite.exe' "$@" || rc=$?
    if [ "$rc" -ne 0 ] && [ ! -s "$RIG_RUN/suite.out" ]; then
        rig_note "movsuite $1 ended at once with $rc ($(head -c 200 "$RIG_RUN/suite.err" | tr '\n' ' ')); once more"
        rc=0
        sleep 0.5
        rig_wine "$RIG_RUN/suite.out" "$RIG_RUN/suite.err" 'C:\rig\movsuite.exe' "$@" || rc=$?
    fi
    return "$rc"
}

# check ARGS...: runs MovendoCheck; its output in $RIG_RUN/check.out; returns its exit code.
check() {
    local rc=0
    rig_wine "$RIG_RUN/check.out" "$RIG_RUN/check.err" 'C:\rig\MovendoCheck.exe' "$@" || rc=$?
    return "$rc"
}

# Removes what an earlier case left of the suite: its keys and data folders.
suite_clean() {
    suite reinstall >/dev/null || rig_die "movsuite reinstall failed: $(cat "$RIG_RUN/suite.out")"
}

# The stand-in installation on the default drive layout, with nothing of an earlier case left.
suite_installed() {
    suite_prepare
    rig_default_layout
    suite_clean
    suite install || rig_die "movsuite install failed: $(cat "$RIG_RUN/suite.out")"
}
