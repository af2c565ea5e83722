// The process's standard output: a console, or the file or pipe it was redirected to.
// GetFileType: FILE_TYPE_CHAR for a console, and for other character devices such as NUL.
// GetConsoleMode: fails for a handle that is not a console's ("GetConsoleMode function").
// WriteConsoleW: a count of characters ("WriteConsole function"); fails as GetConsoleMode does.
#include "machine.h"
#include "win_api.h"

namespace {

HANDLE const kStandardOutput = reinterpret_cast<HANDLE>(static_cast<intptr_t>(0x7007));

bool IsConsole(HANDLE handle) { return handle == kStandardOutput && sim::Machine::Current().outputIsConsole; }

}  // namespace

HANDLE GetStdHandle(DWORD which) { return which == STD_OUTPUT_HANDLE ? kStandardOutput : INVALID_HANDLE_VALUE; }

DWORD GetFileType(HANDLE file) { return IsConsole(file) ? FILE_TYPE_CHAR : FILE_TYPE_DISK; }

BOOL GetConsoleMode(HANDLE console, LPDWORD mode) {
    if (!IsConsole(console) || mode == nullptr) return sim::Fail(ERROR_INVALID_HANDLE, FALSE);
    *mode = 0x0003;  // ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT
    return TRUE;
}

BOOL WriteConsoleW(HANDLE console, const void* text, DWORD count, LPDWORD written, LPVOID) {
    if (!IsConsole(console)) return sim::Fail(ERROR_INVALID_HANDLE, FALSE);
    sim::Machine::Current().console.append(static_cast<const WCHAR*>(text), count);
    if (written) *written = count;
    return TRUE;
}
