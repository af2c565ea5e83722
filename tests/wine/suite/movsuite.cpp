// movsuite: the stand-in installation of the suite inside a Wine prefix, for the demo, the
// round-trip test and the benchmark.
//   movsuite install [large]   writes the installation (large: lists of 256 pairs, 3000 more files)
//   movsuite reinstall         removes the suite's keys and data, then writes a fresh install
//   movsuite report [large]    compares the machine with the installation, one line per catalogue
//                              row and data set, and a final line; exit 0 when all is restored
//   movsuite profile N FILE    N profile writes into FILE: the platform's own cost of the records
//   movsuite profileread N FILE  N records read back as a restore reads them (text, then number)
//   movsuite registry N        N values written, each under a key opened (created) for it
//   movsuite iniset FILE SECTION KEY VALUE   one record written with the profile functions
//   movsuite readfloor FOLDER...  every value of the suite's keys read once, and every file below
//                              the folders: the platform's own cost of what a check reads
#include <cstdio>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "tests/suite/standin_suite.h"

namespace {

SuiteShape ShapeOf(bool large) {
    SuiteShape shape;
    shape.defEpgPairs = large ? 256 : 40;
    for (int list = 0; list < 4; ++list) {
        shape.dispMyPairs[list] = large ? 256 : (list + 1) * 6;
        shape.dispMyNum[list] = true;
    }
    shape.extraDataFiles = large ? 3000 : 0;
    return shape;
}

void Print(const std::wstring& text) { std::printf("%ls\n", text.c_str()); }

// Removes a folder tree; links are removed as links.
void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (find.Valid()) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + L"\\" + name;
            bool folderEntry = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (folderEntry && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                RemoveTree(path);
            } else if (folderEntry) {
                RemoveDirectoryW(path.c_str());
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find.Get(), &data));
    }
    find.Reset();
    RemoveDirectoryW(folder.c_str());
}

int Reinstall() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tamrix");
    RegDeleteTreeW(HKEY_USERS, L".Default\\Software\\Tamrix");
    RegKey software;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_ALL_ACCESS | kRegistryView, software.Receive()) == ERROR_SUCCESS) {
        RegDeleteTreeW(software.Get(), L"Tamrix");
    }
    for (int csidl : {CSIDL_COMMON_APPDATA, CSIDL_LOCAL_APPDATA}) RemoveTree(SuiteFilePath({csidl, L"Tamrix", true}));
    DeleteFileW(L"C:\\MvdMng.ini");
    std::wstring failure;
    if (!InstallFreshSuite(failure)) {
        Print(L"cannot write the fresh install: " + failure);
        return 1;
    }
    return 0;
}

int Report(bool large) {
    // The platform's RegRestoreKeyW under Wine returns success and changes nothing.
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    bool wine = ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    std::wstring note = L"not judged: Wine's RegRestoreKeyW is a stub that restores nothing";
    size_t expected = 0, found = 0, differing = 0, unjudged = 0;
    for (const SuiteCheckLine& line : CheckSuite(ShapeOf(large), !wine, note)) {
        wchar_t head[96];
        std::swprintf(head, 96, L"%-38ls %5zu/%-5zu", line.what.c_str(), line.found, line.expected);
        std::wstring text = head;
        if (!line.note.empty()) text += L"  (" + line.note + L")";
        for (size_t i = 0; i < line.differing.size() && i < 5; ++i) text += L"  DIFFERS: " + line.differing[i];
        if (line.differing.size() > 5) text += L"  ... " + std::to_wstring(line.differing.size() - 5) + L" more";
        Print(text);
        bool judged = !(line.found == 0 && !line.note.empty() && line.differing.empty());
        if (judged) {
            expected += line.expected;
            found += line.found;
            differing += line.differing.size();
        } else {
            unjudged += line.expected;
        }
    }
    wchar_t last[160];
    std::swprintf(last, 160, L"restored %zu of %zu, differing %zu, not judged %zu", found, expected, differing, unjudged);
    Print(last);
    return differing == 0 ? 0 : 1;
}

std::wstring FloorSection(int i) { return L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Section" + std::to_wstring(i % 20); }

int ProfileFloor(int count, const std::wstring& file) {
    for (int i = 0; i < count; ++i) {
        std::wstring key = L"Value" + std::to_wstring(i);
        WritePrivateProfileStringW(FloorSection(i).c_str(), key.c_str(), std::to_wstring(i * 7).c_str(), file.c_str());
    }
    return 0;
}

int ProfileReadFloor(int count, const std::wstring& file) {
    int found = 0;
    for (int i = 0; i < count; ++i) {
        std::wstring key = L"Value" + std::to_wstring(i);
        WCHAR text[MAX_PATH] = {};
        found += GetPrivateProfileStringW(FloorSection(i).c_str(), key.c_str(), L"", text, MAX_PATH, file.c_str()) > 0;
        GetPrivateProfileIntW(FloorSection(i).c_str(), key.c_str(), 0, file.c_str());
    }
    return found == count ? 0 : 1;
}

int RegistryFloor(int count) {
    for (int i = 0; i < count; ++i) {
        std::wstring subKey = L"SOFTWARE\\MovendoFloor\\Key" + std::to_wstring(i % 20);
        DWORD value = static_cast<DWORD>(i);
        RegKey key;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_SET_VALUE | kRegistryView, nullptr, key.Receive(), nullptr) != ERROR_SUCCESS) {
            return 1;
        }
        std::wstring name = L"Value" + std::to_wstring(i);
        RegSetValueExW(key.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    return 0;
}

// Every value of the tree, each read once with its data.
size_t ReadKeyTree(HKEY parent, const std::wstring& subKey) {
    RegKey key;
    if (RegOpenKeyExW(parent, subKey.c_str(), 0, KEY_READ | kRegistryView, key.Receive()) != ERROR_SUCCESS) return 0;
    size_t values = 0;
    std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; ++i, ++values) {
        WCHAR name[16384];
        DWORD count = 16384, size = static_cast<DWORD>(data.size());
        if (RegEnumValueW(key.Get(), i, name, &count, nullptr, nullptr, data.data(), &size) == ERROR_NO_MORE_ITEMS) break;
    }
    for (DWORD i = 0;; ++i) {
        WCHAR name[256];
        DWORD count = 256;
        if (RegEnumKeyExW(key.Get(), i, name, &count, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        values += ReadKeyTree(key.Get(), name);
    }
    return values;
}

size_t ReadOnce(const std::wstring& path) {
    KernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    char buffer[1 << 16];
    DWORD read = 0;
    while (file.Valid() && ::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {}
    return file.Valid() ? 1 : 0;
}

// Every file below the folder (or the file itself), each read once.
size_t ReadFiles(const std::wstring& folder) {
    DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ReadOnce(folder);
    WIN32_FIND_DATAW entry;
    FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    size_t files = 0;
    if (!find.Valid()) return 0;
    do {
        std::wstring name = entry.cFileName, path = folder + L"\\" + name;
        if (name == L"." || name == L"..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            files += ReadFiles(path);
            continue;
        }
        files += ReadOnce(path);
    } while (FindNextFileW(find.Get(), &entry));
    return files;
}

int ReadFloor(int count, wchar_t** folders) {
    size_t values = ReadKeyTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix") + ReadKeyTree(HKEY_CURRENT_USER, L"Software\\Tamrix") +
                    ReadKeyTree(HKEY_USERS, L".Default\\SOFTWARE\\Tamrix"), files = 0;
    for (int i = 0; i < count; ++i) files += ReadFiles(folders[i]);
    std::printf("%zu values, %zu files\n", values, files);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring command = argc > 1 ? argv[1] : L"";
    bool large = argc > 2 && std::wstring(argv[2]) == L"large";
    if (command == L"install") {
        std::wstring failure;
        if (InstallSuite(ShapeOf(large), failure)) return 0;
        Print(L"cannot write the installation: " + failure);
        return 1;
    }
    if (command == L"reinstall") return Reinstall();
    if (command == L"report") return Report(large);
    if (command == L"profile" && argc > 3) return ProfileFloor(std::stoi(argv[2]), argv[3]);
    if (command == L"profileread" && argc > 3) return ProfileReadFloor(std::stoi(argv[2]), argv[3]);
    if (command == L"registry" && argc > 2) return RegistryFloor(std::stoi(argv[2]));
    if (command == L"readfloor") return ReadFloor(argc - 2, argv + 2);
    if (command == L"iniset" && argc > 5) return WritePrivateProfileStringW(argv[3], argv[4], argv[5], argv[2]) ? 0 : 1;
    Print(L"usage: movsuite install [large] | reinstall | report [large] | profile N FILE | iniset FILE SECTION KEY VALUE");
    return 2;
}
