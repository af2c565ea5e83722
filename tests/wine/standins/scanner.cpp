// Stand-in for a scanner or an indexer: it watches a folder and everything below it, and whenever
// a new entry ...\NAME.mvpart appears (a copy about to replace NAME), it holds NAME open for
// reading, sharing everything, for MS milliseconds. It prints "watching" once it watches, and
// "held PATH" as it holds a file.
//   standin_scanner.exe FOLDER NAME MS
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

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
    const std::wstring folder = argv[1], part = std::wstring(L"\\") + argv[2] + L".mvpart";
    HANDLE watched = CreateFileW(argv[1], FILE_LIST_DIRECTORY, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    OVERLAPPED overlapped = {};
    overlapped.hEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    alignas(DWORD) static BYTE buffer[64 * 1024];
    for (bool first = true;; first = false) {
        DWORD got = 0;
        if (!ReadDirectoryChangesW(watched, buffer, sizeof buffer, TRUE, FILE_NOTIFY_CHANGE_FILE_NAME, nullptr, &overlapped, nullptr)) {
            return 1;
        }
        if (first) std::printf("watching\n"), std::fflush(stdout);
        if (!GetOverlappedResult(watched, &overlapped, &got, TRUE)) return 1;
        for (DWORD at = 0; got > 0;) {
            const auto* change = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(buffer + at);
            std::wstring entry = L"\\" + std::wstring(change->FileName, change->FileNameLength / sizeof(WCHAR));
            bool ours = entry.size() >= part.size() && _wcsicmp(entry.c_str() + entry.size() - part.size(), part.c_str()) == 0;
            if (ours && change->Action == FILE_ACTION_ADDED) Hold(folder + entry.substr(0, entry.size() - 7), _wtoi(argv[3]));
            if (change->NextEntryOffset == 0) break;
            at += change->NextEntryOffset;
        }
    }
}
