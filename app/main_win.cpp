// The program's entry on Windows: no window, no console, no message. It forms the command-line
// tail, runs the application's start-up hook and ends; the exit status carries no result.
#include <stdlib.h>

#include "app/command.h"
#include "app/movendo_app.h"

namespace {

// A secure C library function given a bad argument must fail, not end the process.
void IgnoreInvalidParameter(const wchar_t*, const wchar_t*, const wchar_t*, unsigned int, uintptr_t) {}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    _set_invalid_parameter_handler(IgnoreInvalidParameter);
    theApp.m_lpCmdLine = CommandLineTail(GetCommandLineW());
    theApp.InitInstance();
    return 0;
}
