#!/usr/bin/env bash
# Locating and creating the two workspaces on real drives: which drives qualify, reuse of an
# existing entry on any drive before anything is created, and a restore that never creates one.
. "$(dirname "$0")/lib.sh"

# Checks that the layout gives the drive types the test relies on (Wine reads them at start).
expect_drive_types() {
    expect_eq "$(helper drives | tr '\n' ' ')" "$1" "drive types seen by the program"
}

# Removable without medium, CD-ROM, network, RAM disk and a fixed drive without a root are all
# passed over; C: is never used; the first fixed drive after them gets both workspaces.
case_first_qualifying_drive() {
    rig_layout a:floppy! b:cdrom d:network e:ramdisk f:hd! g:hd h:hd
    expect_drive_types "A: 2 B: 5 C: 3 D: 4 E: 6 F: 1 G: 3 H: 3 "
    movendo /get
    expect_eq "$(rig_workspaces)" 'G:\mvtemp G:\mvtempbk' "workspaces on G:, the first fixed drive with a root"
}

# A removable drive with a medium qualifies, and comes before the fixed drives.
case_removable_with_medium() {
    rig_layout a:floppy d:hd
    expect_drive_types "A: 2 C: 3 D: 3 "
    movendo /get
    expect_eq "$(rig_workspaces)" 'A:\mvtemp A:\mvtempbk' "workspaces on the removable drive A:"
}

# No drive but C: qualifies: nothing is created anywhere, C: included.
case_never_on_c() {
    rig_layout d:cdrom e:network
    expect_drive_types "C: 3 D: 5 E: 4 "
    movendo /get
    expect_eq "$(rig_workspaces)" '' "no workspace anywhere"
}

# An existing E:\mvtemp is reused although D: qualifies and has none; "mvtempbk" exists nowhere
# and is created on D:.
case_existing_workspace_on_later_drive() {
    rig_default_layout
    mkdir "$RIG_ROOT/drives/e/mvtemp"
    echo kept >"$RIG_ROOT/drives/e/mvtemp/marker.txt"
    movendo /get
    expect_eq "$(rig_workspaces)" 'D:\mvtempbk E:\mvtemp' "mvtemp reused on E:, mvtempbk made on D:"
    expect_eq "$(cat "$RIG_ROOT/drives/e/mvtemp/marker.txt")" kept "the reused workspace keeps its content"
}

# A stale "mvtempbk" on a later drive: the two workspaces end up on different drives.
case_workspaces_on_different_drives() {
    rig_default_layout
    mkdir "$RIG_ROOT/drives/e/mvtempbk"
    movendo /get
    expect_eq "$(rig_workspaces)" 'D:\mvtemp E:\mvtempbk' "mvtempbk reused on E:, mvtemp made on D:"
}

# A plain file named "mvtemp" counts as an existing workspace: nothing replaces it and no folder
# is made on a later drive.
case_plain_file_counts_as_workspace() {
    rig_default_layout
    printf 'not a folder' >"$RIG_ROOT/drives/d/mvtemp"
    movendo /get
    expect_eq "$(rig_workspaces)" 'D:\mvtemp D:\mvtempbk' "only D:\\mvtemp (the file) and the new D:\\mvtempbk"
    expect_file "$RIG_ROOT/drives/d/mvtemp" "D:\\mvtemp is still a plain file"
    expect_eq "$(cat "$RIG_ROOT/drives/d/mvtemp")" "not a folder" "the file keeps its content"
}

# "/set" locates workspaces and never creates one.
case_set_creates_nothing() {
    rig_layout a:floppy d:hd e:hd
    movendo /set
    expect_eq "$(rig_workspaces)" '' "no workspace after /set on drives that qualify"
}

rig_main "$@"
