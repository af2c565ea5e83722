#include "check/facts/progress.h"

#include <string>

#include "platform/platform.h"

namespace {

// The line is rewritten at most this often: a console write costs far more than a comparison.
constexpr DWORD kRewriteMs = 250;

struct ProgressLine {
    HANDLE console = nullptr;  // null: nothing is shown
    unsigned long long items = 0;
    DWORD lastShown = 0;
    size_t width = 0;  // of the line shown last
};

ProgressLine progress;

void Write(const std::wstring& text) {
    DWORD written = 0;
    WriteConsoleW(progress.console, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

void StartProgress(bool shown) {
    progress = ProgressLine();
    if (!shown) return;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    // A character device that is no console (NUL) answers FILE_TYPE_CHAR too, but has no mode.
    if (out != INVALID_HANDLE_VALUE && GetFileType(out) == FILE_TYPE_CHAR && GetConsoleMode(out, &mode)) progress.console = out;
}

void TickProgress() {
    ++progress.items;
    if (progress.console == nullptr) return;
    DWORD now = GetTickCount();
    if (progress.width != 0 && now - progress.lastShown < kRewriteMs) return;
    progress.lastShown = now;
    std::wstring line = L"Checking: " + std::to_wstring(progress.items) + L" compared";
    progress.width = line.size();
    Write(L"\r" + line);
}

void EndProgress() {
    if (progress.console != nullptr && progress.width != 0) Write(L"\r" + std::wstring(progress.width, L' ') + L"\r");
    progress = ProgressLine();
}
