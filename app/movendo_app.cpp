#include "app/movendo_app.h"

#include "app/command.h"

CMovendoApp theApp;

BOOL CMovendoApp::InitInstance() {
    RunCommand(m_lpCmdLine);
    return FALSE;
}
