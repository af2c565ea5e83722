// The process's standard output, as a console program meets it.
// GetStdHandle: https://learn.microsoft.com/windows/console/getstdhandle
// GetFileType: https://learn.microsoft.com/windows/win32/api/fileapi/nf-fileapi-getfiletype
//   (FILE_TYPE_CHAR for a console, and for other character devices such as NUL)
// GetConsoleMode: https://learn.microsoft.com/windows/console/getconsolemode
//   (fails for a handle that is not a console's, which is how a program tells a redirection)
// WriteConsoleW: https://learn.microsoft.com/windows/console/writeconsole (a count of characters)
#include "machine.h"
#include "win_api.h"

namespace {

// The one standard handle modelled; the other standard handles are not the program's concern.
HANDLE const kStandardOutput = reinterpret_cast<HANDLE>(static_cast<intptr_t>(0x7007));

bool IsConsole(HANDLE handle) { return handle == kStandardOutput && sim::Machine::Current().outputIsConsole; }

}  // namespace

HANDLE GetStdHandle(DWORD which) { return which == STD_OUTPUT_HANDLE ? kStandardOutput : INVALID_HANDLE_VALUE; }

DWORD GetFileType(HANDLE file) {
    if (file != kStandardOutput) return sim::Fail(ERROR_INVALID_HANDLE, DWORD(0));
    return IsConsole(file) ? FILE_TYPE_CHAR : FILE_TYPE_DISK;
}

BOOL GetConsoleMode(HANDLE console, LPDWORD mode) {
    if (!IsConsole(console) || mode == nullptr) return sim::Fail(ERROR_INVALID_HANDLE, FALSE);
    *mode = 0x0003;  // ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT
    return TRUE;
}

BOOL WriteConsoleW(HANDLE console, const void* text, DWORD count, LPDWORD written, LPVOID) {
    if (!IsConsole(console) || text == nullptr) return sim::Fail(ERROR_INVALID_HANDLE, FALSE);
    sim::Machine::Current().console.append(static_cast<const WCHAR*>(text), count);
    if (written) *written = count;
    return TRUE;
}
