// The application object. The whole run happens in InitInstance, which returns false so that
// no message loop is ever entered and the process ends. One run at a time: InitInstance first
// takes a machine-wide mutex and does nothing when another run holds it.
#pragma once

#include "platform/platform.h"

class CMovendoApp {
public:
    virtual ~CMovendoApp() = default;
    // The tail of the command line, set by the entry before InitInstance runs.
    LPCWSTR m_lpCmdLine = L"";
    virtual BOOL InitInstance();
};

extern CMovendoApp theApp;
