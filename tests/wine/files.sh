#!/usr/bin/env bash
# The file transfer of real runs: "/get" mirrors the suite's data tree and the companion's two
# sets into both workspaces with their name filters, "/set" mirrors them back, deletes the two
# files the suite rebuilds and removes the workspaces; links are never passed through.
. "$(dirname "$0")/lib.sh"

SUITE_EXCLUDED="movendo.ini checksum.dat iptv.dat brevisto.dat hdd.dat videofolder.dat"
COMMON_INCLUDED="accountdata.xml configdata.xml hashtagdata.xml reserveiddata.xml taghistorydata.xml"
LOCAL_INCLUDED="filterdata.xml viewdata.xml"

# The two known folders, as the program looks them up, and their host paths.
known_folders() {
    COMMON_APPDATA=$RIG_COMMON_APPDATA
    LOCAL_APPDATA=$RIG_LOCAL_APPDATA
    SUITE_DATA=$(host_path "$COMMON_APPDATA")/Tamrix/Mirovane
    COMMON_DATA=$(host_path "$COMMON_APPDATA")/Tamrix/Parlunet
    LOCAL_DATA=$(host_path "$LOCAL_APPDATA")/Tamrix/Parlunet
    MVDMNG="$RIG_C/MvdMng.ini"
}

# Removes the suite's and the companion's files from the system; the parents "Tamrix" stay.
clear_system() {
    chmod -R u+w "$SUITE_DATA" "$COMMON_DATA" "$LOCAL_DATA" 2>/dev/null
    rm -rf "$SUITE_DATA" "$COMMON_DATA" "$LOCAL_DATA" "$MVDMNG"
    mkdir -p "$(dirname "$SUITE_DATA")" "$(dirname "$LOCAL_DATA")"
}

put() {  # put FILE [TEXT]: a file with its folders; the text defaults to the file's own name
    mkdir -p "$(dirname "$1")"
    printf '%s\n' "${2:-$(basename "$1")}" >"$1"
}

# An installed suite: nested folders, names the filters drop at several depths and in other
# capitals, a folder named like a dropped file, an empty folder, names beyond ASCII.
install_suite_data() {
    local s=$SUITE_DATA c=$COMMON_DATA l=$LOCAL_DATA
    put "$s/Settings.xml"
    for name in Movendo.ini CheckSum.dat IPTV.dat Brevisto.dat HDD.dat VideoFolder.dat; do put "$s/$name"; done
    put "$s/Channels/list.dat" "$(seq 1 2000)"
    put "$s/Channels/videofolder.DAT"
    put "$s/Channels/Deep/Deeper/data.bin"
    put "$s/Channels/Deep/Deeper/HDD.DAT"
    mkdir -p "$s/Channels/Deep/Empty"
    put "$s/Channels/VideoFolder.dat/inside.txt"
    put "$s/番組表/予約データ.xml" "日本語のデータ"
    put "$s/Ünïcödé/Ärger.txt"
    put "$c/AccountData.xml"
    put "$c/Sub/CONFIGDATA.XML"
    put "$c/Sub/other.txt"
    put "$c/Sub/Deep/HashTagData.xml"
    put "$c/Other/only-other.txt"
    put "$c/ReserveIdData.xml"
    put "$c/TagHistoryData.xml"
    put "$c/notes.xml"
    put "$l/FilterData.xml"
    put "$l/Views/viewdata.XML"
    put "$l/Views/notes.txt"
    put "$l/Cache/tmp.bin"
    put "$MVDMNG" "[MvdMng]"
}

# tree WINDOWS_PATH: the listing of movhelper tree in byte order.
tree() { helper tree "$1" | tr -d '\r' | LC_ALL=C sort; }

# filtered KIND NAMES: keeps folders, and the files whose own name passes the filter
# (exclude: not among NAMES; include: among NAMES), names compared without case.
filtered() {
    awk -F'\t' -v kind="$1" -v names="$2" '
        BEGIN { n = split(names, list, " "); for (i = 1; i <= n; i++) set[list[i]] = 1 }
        {
            if ($2 ~ /D/) { print; next }
            k = split($1, parts, "\\"); name = tolower(parts[k])
            if ((kind == "exclude") != (name in set)) print
        }'
}

# Checks one workspace after a backup of install_suite_data.
expect_workspace_content() {  # expect_workspace_content D:\mvtemp EXPECTED_MV EXPECTED_TW1 EXPECTED_TW2
    local ws=$1
    expect_same_lines "$(tree "$ws\\MV")" "$2" "$ws\\MV: the suite tree less the six excluded names"
    expect_same_lines "$(tree "$ws\\tw1")" "$3" "$ws\\tw1: the companion's common tree, five names only"
    expect_same_lines "$(tree "$ws\\tw2")" "$4" "$ws\\tw2: the companion's local tree, two names only"
    expect_eq "$(cat "$(host_path "$ws")/MvdMng.ini" 2>/dev/null)" "[MvdMng]" "$ws\\MvdMng.ini copied from C:"
}

# The removal of a link: Windows removes the link itself. Wine 8 cannot: its RemoveDirectoryW acts
# on the link's target (it removes an empty target folder, and fails on one that holds files), so
# a link to a folder with files stays behind. That gap is recorded, not counted as a failure.
expect_link_removed() {  # expect_link_removed HOST_PATH WHAT
    if [ ! -e "$1" ] && [ ! -L "$1" ]; then
        pass "$2"
    elif [ -L "$1" ]; then
        echo "known gap (Wine): $2: the link is still there; Wine's RemoveDirectoryW does not remove a link to a folder with files"
    else
        fail "$2: $1 is there and is no link"
    fi
}

# Backup and restore of the data sets through the real file functions.
case_backup_and_restore() {
    rig_default_layout
    known_folders
    clear_system
    install_suite_data
    local suite common local_
    suite=$(tree "$COMMON_APPDATA\\Tamrix\\Mirovane" | filtered exclude "$SUITE_EXCLUDED")
    common=$(tree "$COMMON_APPDATA\\Tamrix\\Parlunet" | filtered include "$COMMON_INCLUDED")
    local_=$(tree "$LOCAL_APPDATA\\Tamrix\\Parlunet" | filtered include "$LOCAL_INCLUDED")
    expect_match "$suite" 'Channels\\Deep\\Empty'$'\t''D' "the expected tree holds the empty folder"
    expect_match "$suite" '予約データ\.xml' "the expected tree holds the non-ASCII names"

    movendo /get
    expect_workspace_content 'D:\mvtemp' "$suite" "$common" "$local_"
    expect_workspace_content 'D:\mvtempbk' "$suite" "$common" "$local_"
    expect_eq "$(cat "$RIG_ROOT/drives/d/mvtemp/MV/番組表/予約データ.xml")" "日本語のデータ" "content of a file with a non-ASCII name"
    cmp -s "$SUITE_DATA/Channels/list.dat" "$RIG_ROOT/drives/d/mvtemp/MV/Channels/list.dat" || fail "list.dat copied byte for byte"

    # The reinstall: empty data folders; the suite has rebuilt its two files at the top and one
    # file of the same name lies deeper.
    clear_system
    put "$SUITE_DATA/HDD.dat" rebuilt
    put "$SUITE_DATA/VideoFolder.dat" rebuilt
    put "$SUITE_DATA/Channels/Deep/HDD.dat" deeper
    put "$SUITE_DATA/Channels/list.dat" "stale"
    movendo /set
    local restored
    restored=$(tree "$COMMON_APPDATA\\Tamrix\\Mirovane" | grep -v $'^Channels\\\\Deep\\\\HDD.dat\t')
    expect_same_lines "$restored" "$suite" "suite data restored, the rebuilt HDD.dat and VideoFolder.dat deleted"
    expect_file "$SUITE_DATA/Channels/Deep/HDD.dat" "HDD.dat in a sub-folder stays"
    cmp -s "$SUITE_DATA/Channels/list.dat" <(seq 1 2000) || fail "a file on the system is replaced by its copy"
    expect_same_lines "$(tree "$COMMON_APPDATA\\Tamrix\\Parlunet")" "$common" "companion common data restored"
    expect_same_lines "$(tree "$LOCAL_APPDATA\\Tamrix\\Parlunet")" "$local_" "companion local data restored"
    expect_eq "$(cat "$MVDMNG" 2>/dev/null)" "[MvdMng]" "C:\\MvdMng.ini restored"
    expect_eq "$(rig_workspaces)" "" "both workspaces removed"
    clear_system
}

# A read-only file deep in the suite data stays read-only in the workspace; the removal at the
# end of the restore keeps it and the folders down to it, and removes everything else.
case_read_only_file_goes_with_its_workspace() {
    rig_default_layout
    known_folders
    clear_system
    install_suite_data
    put "$SUITE_DATA/Locked/Deep/readonly.txt"
    helper setattr "$COMMON_APPDATA\\Tamrix\\Mirovane\\Locked\\Deep\\readonly.txt" R
    movendo /get
    expect_match "$(tree 'D:\mvtemp\MV' | grep readonly.txt)" $'\tR\t' "the copy in the workspace is read-only too"
    movendo /set
    expect_eq "$(rig_workspaces)" "" "both workspaces are removed whole"
    expect_match "$(tree "$COMMON_APPDATA\\Tamrix\\Mirovane\\Locked\\Deep")" $'readonly.txt\tR\t' "the suite's file stays read-only"
    helper setattr "$COMMON_APPDATA\\Tamrix\\Mirovane\\Locked\\Deep\\readonly.txt" >/dev/null
    clear_system
}

# A file with a second name (a host hard link to a file of C:\Secret) is neither read by /get nor
# written through by /set; entries that changed kind between two /get runs are carried by the
# second; a read-only copy in the workspace, and a read-only file of the suite, are replaced; the
# second /get keeps the copies of the files that did not change (the same host file). A /set that
# cannot land a file keeps the workspaces, and the next one lands it and removes them.
case_second_names_kinds_and_a_second_get() {
    rig_default_layout
    known_folders
    clear_system
    install_suite_data
    local s=$SUITE_DATA ws=$RIG_ROOT/drives/d/mvtemp/MV suite='C:\ProgramData\Tamrix\Mirovane'
    put "$RIG_C/Secret/key.bin" secret
    ln -f "$RIG_C/Secret/key.bin" "$s/key.bin"
    put "$s/Kind/now-folder" "a file"
    put "$s/Kind/now-file/inner.txt"
    put "$s/ro.txt" first
    helper setattr "$suite\\ro.txt" R >/dev/null
    movendo /get
    expect_absent "$ws/key.bin" "a file with a second name is not read"
    local kept
    kept=$(stat -c %i "$ws/Settings.xml" "$ws/Channels/list.dat")
    rm -f "$s/Kind/now-folder" && put "$s/Kind/now-folder/inner.txt"
    rm -rf "$s/Kind/now-file" && put "$s/Kind/now-file" "a file"
    helper setattr "$suite\\ro.txt" >/dev/null && put "$s/ro.txt" second && helper setattr "$suite\\ro.txt" R >/dev/null
    movendo /get
    expect_file "$ws/Kind/now-folder/inner.txt" "a file that became a folder is carried by one /get"
    expect_eq "$(cat "$ws/Kind/now-file" 2>/dev/null)" "a file" "a folder that became a file is carried by one /get"
    expect_eq "$(cat "$ws/ro.txt" 2>/dev/null)" second "a read-only copy in the workspace is replaced"
    expect_match "$(tree 'D:\mvtemp\MV' | grep '^ro.txt')" $'\tR\t' "and keeps the source's read-only attribute"
    expect_eq "$(stat -c %i "$ws/Settings.xml" "$ws/Channels/list.dat")" "$kept" "unchanged files keep their copies"

    clear_system
    put "$s/ro.txt" installed
    helper setattr "$suite\\ro.txt" R >/dev/null
    ln -f "$RIG_C/Secret/key.bin" "$s/key.bin"
    for workspace in mvtemp mvtempbk; do put "$RIG_ROOT/drives/d/$workspace/MV/key.bin" saved; done
    movendo /set
    expect_eq "$(cat "$s/ro.txt" 2>/dev/null)" second "a read-only file of the suite is replaced"
    expect_eq "$(cat "$RIG_C/Secret/key.bin")" secret "a second name is not written through"
    expect_eq "$(rig_workspaces)" 'D:\mvtemp D:\mvtempbk' "what did not land keeps the workspaces"
    rm -f "$s/key.bin"
    movendo /set
    expect_eq "$(cat "$s/key.bin" 2>/dev/null)" saved "the next /set lands it"
    expect_eq "$(rig_workspaces)" "" "and removes the workspaces"
    helper setattr "$suite\\ro.txt" >/dev/null
    rm -rf "$RIG_C/Secret"
    clear_system
}

# Who may change workspace entries, by the host's owner and mode bits that Wine builds their
# security from (mode 777 reads as Everyone with modify; another host owner as ANONYMOUS LOGON):
# "OWNER MODE" of each entry. (Wine gap: Wine makes every entry with the host's umask whatever
# descriptor it is given, so others keep the right to read.)
modes() { for path in "$@"; do stat -c '%u %a' "$RIG_ROOT/drives/d/$path"; done | sort -u | tr '\n' ' '; }

# /get makes private workspaces; a writable one is secured by the next /get, it and all in it; one
# owned by someone else is neither read nor deleted by /set.
case_workspace_trust() {
    rig_default_layout
    known_folders
    clear_system
    install_suite_data
    put "$MVDMNG" "saved"
    local entries=(mvtemp mvtempbk mvtemp/MV mvtemp/MV/Settings.xml mvtemp/MV/Channels/list.dat)
    movendo /get
    expect_match "$(modes "${entries[@]}")" '^(0 [0-7]{2}[0145] )+$' "/get made entries that no one else may change"
    chmod -R 777 "$RIG_ROOT/drives/d/mvtemp"
    movendo /get
    expect_match "$(modes "${entries[@]}")" '^(0 [0-7]{2}[0145] )+$' "the next /get secured the writable workspace whole"
    rm -rf "$RIG_ROOT/drives/d/mvtempbk"
    chown 1234 "$RIG_ROOT/drives/d/mvtemp"
    put "$MVDMNG" "changed"
    movendo /set
    expect_eq "$(cat "$MVDMNG")" "changed" "/set did not read the workspace someone else owns"
    expect_dir "$RIG_ROOT/drives/d/mvtemp/MV" "/set did not delete it"
    rm -rf "$RIG_ROOT/drives/d/mvtemp"
    clear_system
}

# A workspace that is a link to a folder elsewhere: the restore neither reads through it nor
# deletes through it; the link itself goes.
case_workspace_that_is_a_link() {
    rig_default_layout
    known_folders
    clear_system
    local outside="$RIG_ROOT/outside"
    rm -rf "$outside"
    put "$outside/MV/planted.txt"
    put "$outside/Movendo.ini" "[x]"
    put "$outside/keep/deep/file.txt"
    ln -s "$outside" "$RIG_ROOT/drives/d/mvtemp"
    expect_match "$(helper tree 'D:\' | grep '^mvtemp')" $'\tDL\t' "the host link is a reparse point inside the prefix"
    local before
    before=$(find "$outside" | LC_ALL=C sort)
    movendo /set
    expect_same_lines "$(find "$outside" | LC_ALL=C sort)" "$before" "the link's target keeps every file"
    expect_absent "$SUITE_DATA/planted.txt" "nothing read through the link"
    expect_link_removed "$RIG_ROOT/drives/d/mvtemp" "the link itself is removed"
    rm -rf "$outside"
    clear_system
}

# A link inside a workspace: the backup does not copy into it, the restore does not copy from it
# and the removal does not delete through it.
case_link_inside_a_workspace() {
    rig_default_layout
    known_folders
    clear_system
    install_suite_data
    local outside="$RIG_ROOT/outside"
    rm -rf "$outside"
    put "$outside/victim.txt"
    mkdir -p "$RIG_ROOT/drives/d/mvtemp/MV"
    ln -s "$outside" "$RIG_ROOT/drives/d/mvtemp/MV/Channels"
    local before
    before=$(find "$outside" | LC_ALL=C sort)
    movendo /get
    expect_same_lines "$(find "$outside" | LC_ALL=C sort)" "$before" "the backup copies nothing into the linked folder"
    expect_file "$RIG_ROOT/drives/d/mvtempbk/MV/Channels/list.dat" "the other workspace gets the folder"
    clear_system
    movendo /set
    expect_same_lines "$(find "$outside" | LC_ALL=C sort)" "$before" "the restore deletes nothing through the link"
    expect_absent "$SUITE_DATA/Channels/victim.txt" "the restore copies nothing from the linked folder"
    expect_file "$SUITE_DATA/Channels/list.dat" "the restore still copies the same folder from the other workspace"
    expect_link_removed "$RIG_ROOT/drives/d/mvtemp/MV/Channels" "the link in the workspace is removed"
    if [ -L "$RIG_ROOT/drives/d/mvtemp/MV/Channels" ]; then
        expect_same_lines "$(tree 'D:\mvtemp')" "$(printf 'MV\tD\t-\nMV\\Channels\tDL\t-')" "everything but the link and its folders is removed"
    else
        expect_absent "$RIG_ROOT/drives/d/mvtemp" "the workspace with the link is removed"
    fi
    rm -rf "$outside"
    clear_system
}

rig_main "$@"
