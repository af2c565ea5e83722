#include "app/movendo_app.h"

#include "app/command.h"
#include "base/run_lock.h"

CMovendoApp theApp;

// Before anything else the run takes the machine-wide mutex: a second program that finds it held
// by a run ends at once, changing nothing, whatever its command. An object of that name that a
// run did not make (another owner, or one this program may not even open) stops nothing. Then
// the process error mode makes a drive without a medium fail quietly, before the first drive is
// probed, instead of raising the system's own box and waiting on it.
BOOL CMovendoApp::InitInstance() {
    KernelHandle runLock;
    if (!TakeRunLock(runLock)) return FALSE;
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    RunCommand(m_lpCmdLine);
    return FALSE;
}
