// MovendoCheck.exe: the console entry of the read-only workspace inspector.
#include <string>
#include <vector>

#include "check/check.h"
#include "check/json_text.h"

namespace {

// A console shows the text as it is; a pipe or file receives UTF-8.
void Print(const std::wstring& text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    std::string bytes = Utf8(text);
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Probing a drive without a medium must not stop the check with a system dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    std::vector<std::wstring> arguments(argv + 1, argv + argc);
    CheckResult result = RunCheck(ParseCheckArguments(arguments));
    Print(result.output);
    return result.exitCode;
}
