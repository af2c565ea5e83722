#include "check/file_read.h"

#include <algorithm>

#include "platform/handles.h"

FileReadResult ReadWholeFile(const std::wstring& path, uint64_t sizeBound) {
    FileReadResult result;
    KernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  0, nullptr));
    if (!file.Valid()) {
        DWORD error = GetLastError();
        result.status = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileReadStatus::Missing
                                                                                        : FileReadStatus::Unreadable;
        return result;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) {
        result.status = FileReadStatus::Unreadable;
        return result;
    }
    result.size = static_cast<uint64_t>(size.QuadPart);
    if (result.size > sizeBound) {
        result.status = FileReadStatus::TooLarge;
        return result;
    }
    result.bytes.resize(static_cast<size_t>(result.size));
    size_t done = 0;
    while (done < result.bytes.size()) {
        DWORD read = 0;
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(result.bytes.size() - done, 1u << 20));
        if (!ReadFile(file.Get(), &result.bytes[done], chunk, &read, nullptr) || read == 0) break;
        done += read;
    }
    result.bytes.resize(done);
    result.status = FileReadStatus::Read;
    return result;
}
