#include "contract.h"

#include <vector>

std::wstring Widen(const char* text) { return std::wstring(text, text + std::char_traits<char>::length(text)); }

namespace {

#ifdef _WIN32
// Removes a scratch tree left by an earlier run (the real platform keeps it between runs).
void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (find.Valid()) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + L"\\" + name;
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                RemoveTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (!DeleteFileW(path.c_str())) RemoveDirectoryW(path.c_str());
            }
        } while (FindNextFileW(find.Get(), &data));
    }
    RemoveDirectoryW(folder.c_str());
}
#endif

}  // namespace

void ContractTest::SetUp() {
#ifndef _WIN32
    machine_->drives().Add(L'D', DRIVE_FIXED);
#endif
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = L"D:\\contract\\" + Widen(info->test_suite_name()) + L"." + Widen(info->name());
    CreateDirectoryW(L"D:\\contract", nullptr);
#ifdef _WIN32
    RemoveTree(dir_);
#endif
    ASSERT_TRUE(CreateDirectoryW(dir_.c_str(), nullptr)) << "scratch folder, error " << GetLastError();
}

void ContractTest::TearDown() {}

bool ContractTest::WriteBytes(const std::wstring& path, const std::string& bytes) {
    KernelHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return ok && written == bytes.size();
}

std::string ContractTest::ReadBytes(const std::wstring& path) {
    KernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.Valid()) return std::string();
    std::string out;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) out.append(buffer, read);
    return out;
}

bool RunningUnderWine() {
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}
