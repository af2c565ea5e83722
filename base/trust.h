// Whom a workspace answers to. The elevated restore writes what a workspace holds into the
// machine, so a workspace that someone else owns, or that others may change, is not trusted.
// One rule for the program and for MovendoCheck.
#pragma once

#include "platform/platform.h"

enum class WorkspaceTrust {
    Trusted,         // owner SYSTEM, Administrators or the running user; no one else may change it
    OthersCanWrite,  // a trusted owner, but an ACE lets another SID write, append, delete, change
                     // permissions or take ownership (a NULL DACL too)
    ForeignOwner,    // owned by anyone else
    NoPermissions,   // its drive keeps no permissions (FAT, exFAT): the rule does not apply
    Unreadable,      // the entry, its drive or its security descriptor cannot be read
};

// Judges the entry at the workspace path ("D:\mvtemp"), opened on itself (a link is not
// followed), by its owner and DACL; the drive is asked first whether it keeps permissions.
WorkspaceTrust JudgeWorkspaceTrust(LPCWSTR workspacePath);

// True for the verdicts under which a workspace may be read and deleted: Trusted, NoPermissions.
bool MayUseWorkspace(WorkspaceTrust trust);

// True when the SID is SYSTEM, Administrators or the user whose token runs the program.
bool IsTrustedOwner(PSID sid);

// The descriptor of every workspace and of all it holds: owner Administrators, full control for
// SYSTEM and Administrators and nobody else, not inherited from the drive, passed on to what it holds.
extern LPCWSTR const kWorkspaceSecurity;

// Gives the workspace and every entry below it the workspace descriptor, entry by entry through a
// handle on the entry itself; links are neither entered nor changed. True when the workspace is
// then judged Trusted.
bool SecureWorkspace(LPCWSTR workspacePath);

// What the backup does before it writes: a trusted workspace (or one on a drive without
// permissions) is used as it is, one that others can write is secured first; any other is not used.
bool PrepareWorkspaceForBackup(LPCWSTR workspacePath);
