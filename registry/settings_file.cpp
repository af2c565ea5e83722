#include "registry/settings_file.h"

#include "platform/handles.h"

namespace {

const BYTE kUtf16ByteOrderMark[] = {0xFF, 0xFE};

// Creates the file holding only the byte-order mark; an existing file is left as it is (CREATE_NEW
// refuses it). A file that cannot be created here cannot be written by the profile operation either.
void CreateUnicodeSettingsFile(LPCWSTR file) {
    KernelHandle handle(CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.Valid()) return;
    DWORD written = 0;
    WriteFile(handle.Get(), kUtf16ByteOrderMark, sizeof kUtf16ByteOrderMark, &written, nullptr);
}

}  // namespace

bool WriteSettingsRecord(LPCWSTR file, LPCWSTR section, LPCWSTR key, LPCWSTR text) {
    CreateUnicodeSettingsFile(file);
    return WritePrivateProfileStringW(section, key, text, file) != FALSE;
}
