#include "app/command.h"

#include <cwchar>

#include "base/environment.h"
#include "procedures/procedures.h"

LPCWSTR CommandLineTail(LPCWSTR commandLine) {
    if (commandLine == nullptr) return L"";
    LPCWSTR at = commandLine;
    bool quoted = false;
    for (; *at; ++at) {
        if (*at == L'"') {
            quoted = !quoted;
        } else if (*at <= 0x20 && !quoted) {
            break;
        }
    }
    while (*at >= 1 && *at <= 0x20) ++at;
    return at;
}

void RunCommand(LPCWSTR tail) {
    CEnvironment env;
    if (std::wcscmp(tail, L"/get") == 0) {
        BackupEnvironment(env, Workspace::Second);
        BackupEnvironment(env, Workspace::Primary);
    } else if (std::wcscmp(tail, L"/set") == 0) {
        RestoreEnvironment(env, Workspace::Primary);
        RestoreEnvironment(env, Workspace::Second);
    }
}
