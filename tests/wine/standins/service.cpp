// Stand-in for a service of the suite: a service of its own process that reports running and
// ends when it receives the stop control. Installed under any name with
//   sc create NAME binpath= C:\path\standin_service.exe
// Started with arguments (StartServiceW; movhelper svcstart NAME ARGS...), it stops as the sample
// of "Writing a Control Handler Function" does, taking its time:
//   MS [FILE TEXT KEY VALUE NUMBER]
// it reports SERVICE_STOP_PENDING once (checkpoint 1, wait hint 0), and SERVICE_STOPPED only MS
// milliseconds later. While it runs it holds FILE open, sharing nothing; at its stop it writes
// TEXT into it, and NUMBER as the REG_DWORD VALUE of HKEY_LOCAL_MACHINE\KEY (32-bit view).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

SERVICE_STATUS_HANDLE g_status = nullptr;
HANDLE g_stop = nullptr;

void Report(DWORD state, DWORD checkPoint = 0) {
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwCheckPoint = checkPoint;
    SetServiceStatus(g_status, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, LPVOID, LPVOID) {
    if (control == SERVICE_CONTROL_STOP) {
        Report(SERVICE_STOP_PENDING, 1);
        SetEvent(g_stop);
        return NO_ERROR;
    }
    return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

// What the stop saves: TEXT into the held file, NUMBER as the value.
void SaveAtStop(HANDLE file, LPWSTR* argv) {
    std::string text(argv[3], argv[3] + wcslen(argv[3]));  // ASCII
    DWORD written = 0, number = wcstoul(argv[6], nullptr, 10);
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    SetEndOfFile(file);
    CloseHandle(file);
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, argv[4], 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &key, nullptr) == 0) {
        RegSetValueExW(key, argv[5], 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
        RegCloseKey(key);
    }
}

void WINAPI ServiceMain(DWORD argc, LPWSTR* argv) {
    g_status = RegisterServiceCtrlHandlerExW(argv[0], Handler, nullptr);
    if (g_status == nullptr) return;
    g_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE file = argc == 7 ? CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr) : INVALID_HANDLE_VALUE;
    Report(SERVICE_RUNNING);
    WaitForSingleObject(g_stop, INFINITE);
    if (argc >= 2) Sleep(wcstoul(argv[1], nullptr, 10));
    if (file != INVALID_HANDLE_VALUE) SaveAtStop(file, argv);
    Report(SERVICE_STOPPED);
}

}  // namespace

int wmain() {
    wchar_t name[] = L"standin";
    SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
