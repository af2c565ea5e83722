// The one door to the operating system. Every other file reaches Windows through this header:
// on Windows it is the real API, elsewhere the simulated machine with the same names and shapes.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <sddl.h>
#include <aclapi.h>
#include <wtsapi32.h>
#include <winternl.h>
#include <locale.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>
#include <string.h>
static_assert(sizeof(PROCESSENTRY32W) == 556 || sizeof(void*) == 8, "process entry of the 32-bit build");
#else
#include "sim/win_api.h"
#endif

// The suite's keys below HKEY_LOCAL_MACHINE\SOFTWARE are those of the 32-bit registry view. The
// 32-bit program reaches them with no flag; a build of another width must ask for that view.
#if defined(_WIN32) && defined(_WIN64)
constexpr REGSAM kRegistryView = KEY_WOW64_32KEY;
#else
constexpr REGSAM kRegistryView = 0;
#endif

// The rename of the Ex class (FileRenameInformationEx), which Windows 10 1709 and later offer:
// flags in place of ReplaceIfExists ("FILE_RENAME_INFORMATION structure"). Older systems, and
// Wine, answer STATUS_NOT_IMPLEMENTED or STATUS_INVALID_INFO_CLASS; a file system without
// POSIX semantics answers STATUS_INVALID_PARAMETER or STATUS_NOT_SUPPORTED.
struct FILE_RENAME_INFORMATION_EX {
    ULONG Flags;
    HANDLE RootDirectory;
    ULONG FileNameLength;
    WCHAR FileName[1];
};
constexpr FILE_INFORMATION_CLASS kFileRenameInformationEx = static_cast<FILE_INFORMATION_CLASS>(65);
constexpr ULONG kFileRenameReplaceIfExists = 0x00000001;  // FILE_RENAME_REPLACE_IF_EXISTS
constexpr ULONG kFileRenamePosixSemantics = 0x00000002;   // FILE_RENAME_POSIX_SEMANTICS
constexpr NTSTATUS kStatusNotImplemented = static_cast<NTSTATUS>(0xC0000002);   // STATUS_NOT_IMPLEMENTED
constexpr NTSTATUS kStatusInvalidInfoClass = static_cast<NTSTATUS>(0xC0000003);  // STATUS_INVALID_INFO_CLASS
constexpr NTSTATUS kStatusInvalidParameter = static_cast<NTSTATUS>(0xC000000D);  // STATUS_INVALID_PARAMETER
constexpr NTSTATUS kStatusNotSupported = static_cast<NTSTATUS>(0xC00000BB);      // STATUS_NOT_SUPPORTED

// True on a 64-bit Windows, where the 32-bit view of HKEY_LOCAL_MACHINE\SOFTWARE is WOW6432Node:
// a 64-bit process runs on no other, a 32-bit one runs there under WOW64 ("IsWow64Process").
inline bool WindowsIs64Bit() {
#if defined(_WIN32) && !defined(_WIN64)
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
#else
    return true;  // the x86_64 build; the simulated machine is a 64-bit Windows
#endif
}
