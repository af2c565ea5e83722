#include "base/file_read.h"

#include <algorithm>

#include "base/links.h"
#include "platform/handles.h"

namespace {

HANDLE OpenForReading(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
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

// Two buffers for the whole run: made anew for each file, they would cost more than most files.
bool SameContent(HANDLE source, HANDLE copy, uint64_t size) {
    constexpr DWORD kChunk = 1u << 16;
    static std::string a(kChunk, '\0'), b(kChunk, '\0');
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
        result.match = IsMissingError(GetLastError()) ? FileMatch::CopyMissing : FileMatch::CopyUnreadable;
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
    KernelHandle file(OpenForReading(path));
    if (!file.Valid()) {
        result.status = IsMissingError(GetLastError()) ? FileReadStatus::Missing : FileReadStatus::Unreadable;
        return result;
    }
    if (!SizeOf(file.Get(), result.size)) {
        result.status = FileReadStatus::Unreadable;
        return result;
    }
    if (result.size > sizeBound) {
        result.status = FileReadStatus::TooLarge;
        return result;
    }
    result.bytes.resize(static_cast<size_t>(result.size));
    for (size_t done = 0; done < result.bytes.size();) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(result.bytes.size() - done, 1u << 20));
        DWORD read = ReadChunk(file.Get(), &result.bytes[done], chunk);
        done += read;
        if (read < chunk) result.bytes.resize(done);
    }
    result.status = FileReadStatus::Read;
    return result;
}

uint64_t Fnv1a64(const char* bytes, size_t count, uint64_t hash) {
    for (size_t i = 0; i < count; ++i) hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 0x100000001b3ull;
    return hash;
}

FileHash HashWholeFile(const std::wstring& path) {
    FileHash result;
    KernelHandle file(OpenForReading(path));
    if (!file.Valid()) {
        result.status = IsMissingError(GetLastError()) ? FileReadStatus::Missing : FileReadStatus::Unreadable;
        return result;
    }
    result.fnv1a64 = Fnv1a64(nullptr, 0);
    std::string chunk(1u << 16, '\0');
    uint64_t expected = 0;
    result.status = SizeOf(file.Get(), expected) ? FileReadStatus::Read : FileReadStatus::Unreadable;
    while (result.status == FileReadStatus::Read) {
        DWORD read = ReadChunk(file.Get(), &chunk[0], static_cast<DWORD>(chunk.size()));
        result.fnv1a64 = Fnv1a64(chunk.data(), read, result.fnv1a64);
        result.size += read;
        if (read < chunk.size()) break;
    }
    // A read that ended before the size the file reports was cut short.
    if (result.status == FileReadStatus::Read && result.size != expected) result.status = FileReadStatus::Unreadable;
    return result;
}
