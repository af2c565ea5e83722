// Top-level windows of the simulated machine: the search by class and title, and their owners.
#include <cstdio>
#include <cstdlib>

#include "machine.h"
#include "processes.h"
#include "win_api.h"

namespace sim {

namespace {

constexpr DWORD kErrorCannotFindWindowClass = 1407;  // ERROR_CANNOT_FIND_WND_CLASS

}  // namespace

Window& Processes::AddWindow(const std::wstring& className, const std::wstring& title, DWORD ownerId) {
    if (Find(ownerId) == nullptr) {
        std::fprintf(stderr, "simulated window of unknown process %lu\n", static_cast<unsigned long>(ownerId));
        std::abort();
    }
    Window window;
    window.handle = reinterpret_cast<HWND>(nextWindow_);
    window.threadId = static_cast<DWORD>(nextWindow_ >> 2);
    nextWindow_ += 4;
    window.className = className;
    window.title = title;
    window.ownerId = ownerId;
    windows.push_back(window);
    return windows.back();
}

bool Processes::Listed(const Window& window) { return window.outlivesOwner || !Ended(window.ownerId); }

std::vector<const Window*> Processes::ListedWindows() {
    std::vector<const Window*> listed;
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if (Listed(*it)) listed.push_back(&*it);
    }
    return listed;
}

}  // namespace sim

using sim::Machine;

// Visits the windows from the top. Class names and titles are compared without regard to case;
// a null class or title matches any. A class that no listed window has is not registered.
HWND FindWindowW(LPCWSTR className, LPCWSTR title) {
    auto listed = Machine::Current().processes().ListedWindows();
    bool classKnown = className == nullptr;
    for (const sim::Window* window : listed) {
        if (className != nullptr && !sim::SameName(window->className, className)) continue;
        classKnown = true;
        if (title == nullptr || sim::SameName(window->title, title)) return window->handle;
    }
    if (!classKnown) return sim::Fail(sim::kErrorCannotFindWindowClass, HWND(nullptr));
    return nullptr;
}

// The identifier of the owning thread, and the owning process through processId; for a window
// that is not listed, 0 with ERROR_INVALID_WINDOW_HANDLE and processId untouched.
DWORD GetWindowThreadProcessId(HWND handle, LPDWORD processId) {
    for (const sim::Window* window : Machine::Current().processes().ListedWindows()) {
        if (window->handle != handle) continue;
        if (processId != nullptr) *processId = window->ownerId;
        return window->threadId;
    }
    return sim::Fail(ERROR_INVALID_WINDOW_HANDLE, DWORD(0));
}
