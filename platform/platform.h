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
