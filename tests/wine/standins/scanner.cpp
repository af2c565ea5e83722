// Stand-in for a scanner or an indexer: it watches a folder and everything below it, and whenever
// a new entry NAME.mvpart appears (a copy about to replace NAME), it opens NAME for reading,
// sharing everything, and lets it go MS milliseconds later.
//   standin_scanner.exe FOLDER NAME MS
// It prints "watching" once it watches, then "held PATH" for every file it held.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The entry's path when it is the part file of NAME, else empty.
std::wstring Target(const std::wstring& folder, const FILE_NOTIFY_INFORMATION& change, const std::wstring& name) {
    std::wstring entry(change.FileName, change.FileNameLength / sizeof(WCHAR));
    std::wstring part = name + L".mvpart";
    if (change.Action != FILE_ACTION_ADDED || entry.size() < part.size()) return std::wstring();
    size_t at = entry.size() - part.size();
    if (_wcsicmp(entry.c_str() + at, part.c_str()) != 0 || (at > 0 && entry[at - 1] != L'\\')) return std::wstring();
    return folder + L"\\" + entry.substr(0, entry.size() - 7);
}

void Hold(const std::wstring& path, DWORD ms) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    std::printf("held %ls\n", path.c_str());
    std::fflush(stdout);
    Sleep(ms);
    CloseHandle(file);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) return 2;
    std::wstring folder = argv[1], name = argv[2];
    DWORD ms = wcstoul(argv[3], nullptr, 10);
    HANDLE watched = CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (watched == INVALID_HANDLE_VALUE) return 1;
    OVERLAPPED overlapped = {};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    alignas(DWORD) static BYTE buffer[64 * 1024];
    bool announced = false;
    for (;;) {
        ResetEvent(overlapped.hEvent);
        if (!ReadDirectoryChangesW(watched, buffer, sizeof buffer, TRUE, FILE_NOTIFY_CHANGE_FILE_NAME, nullptr, &overlapped, nullptr)) {
            return 1;
        }
        if (!announced) {
            std::printf("watching\n");
            std::fflush(stdout);
            announced = true;
        }
        DWORD returned = 0;
        if (!GetOverlappedResult(watched, &overlapped, &returned, TRUE)) return 1;
        for (DWORD offset = 0; returned > 0;) {
            const auto* change = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(buffer + offset);
            std::wstring target = Target(folder, *change, name);
            if (!target.empty()) Hold(target, ms);
            if (change->NextEntryOffset == 0) break;
            offset += change->NextEntryOffset;
        }
    }
}
