// The window step: the owners of one kind of top-level window are terminated until none is left.
#include "quiesce/process_termination.h"
#include "quiesce/stop_sequence.h"

namespace {

// The owner of a window that is still found after this many attempts cannot be ended (it cannot
// be opened or terminated, or it outlives the wait): the row gives up. Each attempt costs at most
// one termination wait, so a window that never goes away holds its row for at most 1.5 seconds.
constexpr int kTriesPerWindow = 3;
// Windows that keep coming back under new handles end the row after this many attempts in all
// (at most 8 seconds of waits).
constexpr int kAttemptsPerRow = 16;

}  // namespace

void TerminateWindowOwners(LPCWSTR className, LPCWSTR title) {
    HWND previous = nullptr;
    int tries = 0;
    for (int attempt = 0; attempt < kAttemptsPerRow; ++attempt) {
        HWND window = FindWindowW(className, title);
        if (window == nullptr) return;
        tries = window == previous ? tries + 1 : 1;
        if (tries > kTriesPerWindow) return;
        previous = window;
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        TerminateAndWait(processId);
    }
}
