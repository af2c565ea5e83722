#include "app/movendo_app.h"

#include "app/command.h"
#include "platform/handles.h"

CMovendoApp theApp;

// The machine-wide name that one run holds for its whole length.
LPCWSTR const kRunMutexName = L"Global\\Movendo.Run";

// Before anything else the run takes the machine-wide mutex: a second program that finds it held
// (or cannot take it) ends at once, changing nothing, whatever its command. Then the process
// error mode makes a drive without a medium fail quietly, before the first drive is probed,
// instead of raising the system's own box and waiting on it.
BOOL CMovendoApp::InitInstance() {
    KernelHandle runMutex(CreateMutexW(nullptr, FALSE, kRunMutexName));
    if (!runMutex.Valid() || GetLastError() == ERROR_ALREADY_EXISTS) return FALSE;
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    RunCommand(m_lpCmdLine);
    return FALSE;
}
