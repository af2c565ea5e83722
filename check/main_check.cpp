// MovendoCheck.exe: the console entry of the read-only workspace inspector.
#include <string>
#include <vector>

#include "check/check.h"
#include "platform/platform.h"

namespace {

std::string Utf8(const std::wstring& text) {
    int length = static_cast<int>(text.size());
    int bytes = length ? WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr) : 0;
    std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &out[0], bytes, nullptr, nullptr);
    return out;
}

// A console shows the text as it is; a pipe or file receives UTF-8 (JSON is ASCII throughout).
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
