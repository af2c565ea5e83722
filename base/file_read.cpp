#include "base/file_read.h"

#include <algorithm>

#include "platform/handles.h"

namespace {

HANDLE OpenForReading(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

bool SizeOf(HANDLE file, uint64_t& size) {
    LARGE_INTEGER large;
    if (!GetFileSizeEx(file, &large) || large.QuadPart < 0) return false;
    size = static_cast<uint64_t>(large.QuadPart);
    return true;
}

// Reads up to `count` bytes; fewer only at the end of the file or on a failure.
DWORD ReadChunk(HANDLE file, char* buffer, DWORD count) {
    DWORD done = 0;
    while (done < count) {
        DWORD read = 0;
        if (!ReadFile(file, buffer + done, count - done, &read, nullptr) || read == 0) break;
        done += read;
    }
    return done;
}

bool SameContent(HANDLE source, HANDLE copy, uint64_t size) {
    constexpr DWORD kChunk = 1u << 16;
    std::string a(kChunk, '\0'), b(kChunk, '\0');
    for (uint64_t done = 0; done < size;) {
        DWORD want = static_cast<DWORD>(std::min<uint64_t>(kChunk, size - done));
        if (ReadChunk(source, &a[0], want) != want || ReadChunk(copy, &b[0], want) != want) return false;
        if (a.compare(0, want, b, 0, want) != 0) return false;
        done += want;
    }
    return true;
}

}  // namespace

FileComparison CompareFileContents(const std::wstring& source, const std::wstring& copy) {
    FileComparison result;
    KernelHandle from(OpenForReading(source));
    if (!from.Valid() || !SizeOf(from.Get(), result.sourceSize)) {
        result.match = FileMatch::SourceUnreadable;
        return result;
    }
    KernelHandle to(OpenForReading(copy));
    if (!to.Valid()) {
        DWORD error = GetLastError();
        bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        result.match = missing ? FileMatch::CopyMissing : FileMatch::CopyUnreadable;
        return result;
    }
    if (!SizeOf(to.Get(), result.copySize)) {
        result.match = FileMatch::CopyUnreadable;
    } else if (result.copySize != result.sourceSize) {
        result.match = FileMatch::SizeDiffers;
    } else if (!SameContent(from.Get(), to.Get(), result.sourceSize)) {
        result.match = FileMatch::Differs;
    }
    return result;
}

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
