#include "app/movendo_app.h"

#include "app/command.h"
#include "base/process_policy.h"
#include "base/run_lock.h"

CMovendoApp theApp;

// Before anything else the run takes the machine-wide mutex: a second program that finds it
// owned by a run ends, changing nothing, whatever its command. An object of that name that a run
// did not make stops nothing. Then the process error mode makes a drive without a medium fail
// quietly, before the first drive is probed, instead of raising the system's own box and waiting
// on it, and no junction a standard user made is followed from here on.
BOOL CMovendoApp::InitInstance() {
    RunLock runLock;
    if (!runLock.Take()) return FALSE;
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    EnforceRedirectionTrust();
    RunCommand(m_lpCmdLine);
    return FALSE;
}
