// Stand-in for a program of the suite that shows a top-level window: registers the class named by
// the first argument, creates a visible window with the title named by the second and runs a
// message loop until it is terminated or its window is closed.
//   standin_window CLASS TITLE [protect]
// "protect" first replaces the process's access list by an empty one, so that no other process of
// the account can open it with the rights needed to terminate it.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <aclapi.h>
#include <shellapi.h>

#include <cwchar>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool DenyEveryAccess() {
    ACL empty;
    if (!InitializeAcl(&empty, sizeof empty, ACL_REVISION)) return false;
    return SetSecurityInfo(GetCurrentProcess(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                           nullptr, nullptr, &empty, nullptr) == ERROR_SUCCESS;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 3) return 2;
    if (argc > 3 && std::wcscmp(argv[3], L"protect") == 0 && !DenyEveryAccess()) return 3;

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = argv[1];
    if (!RegisterClassW(&windowClass)) return 4;
    HWND window = CreateWindowW(argv[1], argv[2], WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 5;
    ShowWindow(window, SW_SHOWNOACTIVATE);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    LocalFree(argv);
    return 0;
}
