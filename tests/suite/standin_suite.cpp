#include "tests/suite/standin_suite.h"

#include <cstring>

#include "platform/handles.h"
#include "procedures/catalogue.h"
#include "registry/snapshot_table.h"

LPCWSTR const kFreshMainVersion = L"9";

namespace {

const wchar_t kInstInfo[] = L"SOFTWARE\\Tamrix\\Mirovane\\InstInfo";
const wchar_t kSuiteMainApp[] = L"SOFTWARE\\Tamrix\\Mirovane\\MainApp";

std::wstring RootName(HKEY root) {
    return root == HKEY_CURRENT_USER ? L"HKEY_CURRENT_USER" : root == HKEY_USERS ? L"HKEY_USERS" : L"HKEY_LOCAL_MACHINE";
}

std::wstring Indexed(LPCWSTR stem, int index) { return stem + std::to_wstring(index); }

// ---- writing ----------------------------------------------------------------------------------

class Writer {
public:
    bool ok = true;
    std::wstring failure;

    void Value(HKEY root, const std::wstring& subKey, const std::wstring& name, DWORD type, const void* data, DWORD size) {
        if (!ok) return;
        RegKey key;
        LONG result = RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | kRegistryView,
                                      nullptr, key.Receive(), nullptr);
        if (result == ERROR_SUCCESS) result = RegSetValueExW(key.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
        if (result != ERROR_SUCCESS) Fail(RootName(root) + L"\\" + subKey + L"|" + name, static_cast<DWORD>(result));
    }
    void Dword(HKEY root, const std::wstring& subKey, const std::wstring& name, DWORD value) {
        Value(root, subKey, name, REG_DWORD, &value, sizeof value);
    }
    void Text(HKEY root, const std::wstring& subKey, const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ) {
        Value(root, subKey, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
    }
    void Key(HKEY root, const std::wstring& subKey) {
        if (!ok) return;
        RegKey key;
        LONG result = RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | kRegistryView,
                                      nullptr, key.Receive(), nullptr);
        if (result != ERROR_SUCCESS) Fail(RootName(root) + L"\\" + subKey, static_cast<DWORD>(result));
    }
    // Creates every missing folder of the path, then the file.
    void File(const std::wstring& path, const std::string& content) {
        if (!ok) return;
        for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
            CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
        }
        KernelHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file.Valid() || !WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr)) {
            Fail(path, GetLastError());
        }
    }
    void Folder(const std::wstring& path) {
        if (!ok) return;
        for (size_t at = path.find(L'\\', 3);; at = path.find(L'\\', at + 1)) {
            CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
            if (at == std::wstring::npos) break;
        }
    }

private:
    void Fail(const std::wstring& what, DWORD error) {
        ok = false;
        failure = what + L": error " + std::to_wstring(error);
    }
};

void WriteRows(Writer& writer) {
    for (size_t i = 0; i < kCatalogueRows; ++i) {
        const CatalogueRow& row = kCatalogue[i];
        if (row.kind != RowKind::Dword && row.kind != RowKind::String) continue;
        std::wstring section = RootName(row.root) + L"\\" + row.subKey;
        ForEachValueName(row, [&](LPCWSTR name) {
            if (row.kind == RowKind::Dword) {
                writer.Dword(row.root, row.subKey, name, SeedNumber(section, name));
            } else {
                writer.Text(row.root, row.subKey, name, SeedText(name));
            }
        });
    }
}

void WriteLists(Writer& writer, const SuiteShape& shape) {
    writer.Dword(HKEY_LOCAL_MACHINE, kDefEpgOrderSubKey, L"num", shape.defEpgPairs);
    for (int i = 0; i < shape.defEpgPairs; ++i) {
        writer.Dword(HKEY_LOCAL_MACHINE, kDefEpgOrderSubKey, Indexed(L"Show", i), i % 2);
        writer.Dword(HKEY_LOCAL_MACHINE, kDefEpgOrderSubKey, Indexed(L"SID", i), 1000 + i);
    }
    for (int list = 0; list < 4; ++list) {
        LPCWSTR subKey = kDispMySubKeys[list];
        if (shape.dispMyNum[list]) writer.Dword(HKEY_CURRENT_USER, subKey, L"num", shape.dispMyPairs[list]);
        writer.Text(HKEY_CURRENT_USER, subKey, L"name", L"My list " + std::to_wstring(list + 1));
        for (int i = 0; i < shape.dispMyPairs[list]; ++i) {
            writer.Dword(HKEY_CURRENT_USER, subKey, Indexed(L"SOURCE", i), 0xFFFFFFF0u + i % 16);
            writer.Dword(HKEY_CURRENT_USER, subKey, Indexed(L"ID", i), 7000 + i);
        }
    }
}

void WriteSnapshotKeys(Writer& writer) {
    for (size_t i = 0; i < kSnapshotCount; ++i) {
        std::wstring key = kSnapshotTable[i].subKey;
        BYTE blob[] = {1, 2, 3, static_cast<BYTE>(i)};
        writer.Dword(HKEY_LOCAL_MACHINE, key, L"Count", static_cast<DWORD>(i * 3));
        writer.Text(HKEY_LOCAL_MACHINE, key, L"Label", L"snapshot " + std::to_wstring(i));
        writer.Value(HKEY_LOCAL_MACHINE, key, L"Blob", REG_BINARY, blob, sizeof blob);
        writer.Text(HKEY_LOCAL_MACHINE, key + L"\\Sub\\Deeper", L"Path", L"C:\\x\\" + std::to_wstring(i), REG_EXPAND_SZ);
    }
}

// ---- checking ---------------------------------------------------------------------------------

struct LiveRead {
    bool present = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

LiveRead Read(HKEY root, const std::wstring& subKey, const std::wstring& name) {
    LiveRead read;
    RegKey key;
    if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE | kRegistryView, key.Receive()) != ERROR_SUCCESS) return read;
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &read.type, nullptr, &size) != ERROR_SUCCESS) return read;
    read.data.resize(size);
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &read.type, read.data.data(), &size) != ERROR_SUCCESS) return read;
    read.data.resize(size);
    read.present = true;
    return read;
}

bool IsDword(const LiveRead& read, DWORD value) {
    return read.present && read.type == REG_DWORD && read.data.size() == 4 && std::memcmp(read.data.data(), &value, 4) == 0;
}

bool IsText(const LiveRead& read, const std::wstring& text, DWORD type = REG_SZ) {
    size_t bytes = (text.size() + 1) * sizeof(WCHAR);
    return read.present && read.type == type && read.data.size() == bytes && std::memcmp(read.data.data(), text.c_str(), bytes) == 0;
}

class Checker {
public:
    explicit Checker(const std::wstring& what) { line.what = what; }
    void Expect(bool equal, const std::wstring& name) {
        ++line.expected;
        if (equal) {
            ++line.found;
        } else {
            line.differing.push_back(name);
        }
    }
    SuiteCheckLine line;
};

void CheckRows(std::vector<SuiteCheckLine>& lines) {
    for (size_t i = 0; i < kCatalogueRows; ++i) {
        const CatalogueRow& row = kCatalogue[i];
        if (row.kind != RowKind::Dword && row.kind != RowKind::String) continue;
        Checker checker(L"C" + std::to_wstring(row.label));
        std::wstring section = RootName(row.root) + L"\\" + row.subKey;
        ForEachValueName(row, [&](LPCWSTR name) {
            LiveRead read = Read(row.root, row.subKey, name);
            if (!row.restored) {
                checker.Expect(!read.present || !IsText(read, SeedText(name)), name);  // the fresh install's value stays
            } else if (row.kind == RowKind::Dword) {
                checker.Expect(IsDword(read, SeedNumber(section, name)), name);
            } else {
                checker.Expect(IsText(read, SeedText(name)), name);
            }
        });
        if (!row.restored) checker.line.note = L"not written back: the fresh install's values stay";
        lines.push_back(checker.line);
    }
}

void CheckLists(const SuiteShape& shape, std::vector<SuiteCheckLine>& lines) {
    Checker epg(L"DefEpgOrderDG");
    epg.Expect(IsDword(Read(HKEY_LOCAL_MACHINE, kDefEpgOrderSubKey, L"num"), shape.defEpgPairs), L"num");
    for (int i = 0; i < shape.defEpgPairs; ++i) {
        epg.Expect(IsDword(Read(HKEY_LOCAL_MACHINE, kDefEpgOrderSubKey, Indexed(L"Show", i)), i % 2), Indexed(L"Show", i));
        epg.Expect(IsDword(Read(HKEY_LOCAL_MACHINE, kDefEpgOrderSubKey, Indexed(L"SID", i)), 1000 + i), Indexed(L"SID", i));
    }
    lines.push_back(epg.line);
    for (int list = 0; list < 4; ++list) {
        LPCWSTR subKey = kDispMySubKeys[list];
        Checker checker(L"DispMY" + std::to_wstring(list + 1));
        bool carried = shape.dispMyNum[list];
        if (carried) checker.Expect(IsDword(Read(HKEY_CURRENT_USER, subKey, L"num"), shape.dispMyPairs[list]), L"num");
        checker.Expect(IsText(Read(HKEY_CURRENT_USER, subKey, L"name"), L"My list " + std::to_wstring(list + 1)) == carried, L"name");
        for (int i = 0; i < shape.dispMyPairs[list]; ++i) {
            checker.Expect(IsDword(Read(HKEY_CURRENT_USER, subKey, Indexed(L"SOURCE", i)), 0xFFFFFFF0u + i % 16) == carried,
                           Indexed(L"SOURCE", i));
            checker.Expect(IsDword(Read(HKEY_CURRENT_USER, subKey, Indexed(L"ID", i)), 7000 + i) == carried, Indexed(L"ID", i));
        }
        if (!carried) checker.line.note = L"no \"num\": not carried, expected absent";
        lines.push_back(checker.line);
    }
}

void CheckSnapshots(bool restorable, const std::wstring& note, std::vector<SuiteCheckLine>& lines) {
    for (size_t i = 0; i < kSnapshotCount; ++i) {
        std::wstring key = kSnapshotTable[i].subKey;
        Checker checker(std::wstring(L"snapshot ") + kSnapshotTable[i].fileName);
        BYTE blob[] = {1, 2, 3, static_cast<BYTE>(i)};
        LiveRead read = Read(HKEY_LOCAL_MACHINE, key, L"Blob");
        checker.Expect(IsDword(Read(HKEY_LOCAL_MACHINE, key, L"Count"), static_cast<DWORD>(i * 3)), L"Count");
        checker.Expect(IsText(Read(HKEY_LOCAL_MACHINE, key, L"Label"), L"snapshot " + std::to_wstring(i)), L"Label");
        checker.Expect(read.present && read.type == REG_BINARY && read.data == std::vector<BYTE>(blob, blob + 4), L"Blob");
        checker.Expect(IsText(Read(HKEY_LOCAL_MACHINE, key + L"\\Sub\\Deeper", L"Path"), L"C:\\x\\" + std::to_wstring(i), REG_EXPAND_SZ),
                       L"Sub\\Deeper|Path");
        if (!restorable) {
            checker.line.note = note;
            checker.line.found = 0;
            checker.line.differing.clear();
        }
        lines.push_back(checker.line);
    }
}

std::string ReadAll(const std::wstring& path, bool& present) {
    KernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    present = file.Valid();
    std::string out;
    char buffer[4096];
    DWORD read = 0;
    while (present && ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) out.append(buffer, read);
    return out;
}

LPCWSTR SetNameOf(const SuiteFile& file) {
    if (file.csidl == 0) return L"MvdMng.ini";
    if (file.csidl == CSIDL_LOCAL_APPDATA) return L"tw2 (companion local data)";
    return file.path.compare(0, 15, L"Tamrix\\Mirovane") == 0 ? L"MV (suite data)" : L"tw1 (companion common data)";
}

void CheckFiles(const SuiteShape& shape, std::vector<SuiteCheckLine>& lines) {
    std::vector<Checker> sets;
    for (const SuiteFile& file : SuiteFiles(shape)) {
        std::wstring set = SetNameOf(file);
        auto it = sets.begin();
        while (it != sets.end() && it->line.what != L"data set " + set) ++it;
        if (it == sets.end()) it = sets.insert(sets.end(), Checker(L"data set " + set));
        bool present = false;
        std::string content = ReadAll(SuiteFilePath(file), present);
        it->Expect(file.carried ? present && content == SuiteFileContent(file) : !present, file.path);
    }
    for (const auto& set : sets) lines.push_back(set.line);
}

}  // namespace

DWORD SeedNumber(const std::wstring& section, const std::wstring& name) {
    DWORD hash = 2166136261u;
    for (wchar_t ch : section + L"|" + name) hash = (hash ^ static_cast<DWORD>(ch)) * 16777619u;
    return hash;
}

std::wstring SeedText(const std::wstring& name) {
    if (name == L"MpegFileSavePath") return L"D:\\Rec\\Mpeg";
    if (name == L"TimeShiftFileSavePath") return L"D:\\Rec\\TimeShift";
    if (name == L"AutoRecFileSavePath") return L"D:\\Rec\\Auto";
    return L"value of " + name + L" \u00e9\u65e5";
}

std::vector<SuiteFile> SuiteFiles(const SuiteShape& shape) {
    std::vector<SuiteFile> files = {
        {CSIDL_COMMON_APPDATA, L"Tamrix\\Mirovane\\Setting.xml", true},
        {CSIDL_COMMON_APPDATA, L"Tamrix\\Mirovane\\Data\\Channel.dat", true},
        {CSIDL_COMMON_APPDATA, L"Tamrix\\Mirovane\\Data\\Old\\Epg.bin", true},
        {CSIDL_COMMON_APPDATA, L"Tamrix\\Mirovane\\Data\\HDD.dat\\inside.txt", true},
        {CSIDL_COMMON_APPDATA, L"Tamrix\\Mirovane\\Movendo.ini", false},
        {CSIDL_COMMON_APPDATA, L"Tamrix\\Mirovane\\CheckSum.dat", false},
        {CSIDL_COMMON_APPDATA, L"Tamrix\\Mirovane\\Data\\videofolder.DAT", false},
        {CSIDL_COMMON_APPDATA, L"Tamrix\\Parlunet\\AccountData.xml", true},
        {CSIDL_COMMON_APPDATA, L"Tamrix\\Parlunet\\Sub\\CONFIGDATA.XML", true},
        {CSIDL_COMMON_APPDATA, L"Tamrix\\Parlunet\\TagHistoryData.xml", true},
        {CSIDL_COMMON_APPDATA, L"Tamrix\\Parlunet\\Other.xml", false},
        {CSIDL_LOCAL_APPDATA, L"Tamrix\\Parlunet\\FilterData.xml", true},
        {CSIDL_LOCAL_APPDATA, L"Tamrix\\Parlunet\\View\\ViewData.xml", true},
        {CSIDL_LOCAL_APPDATA, L"Tamrix\\Parlunet\\Cache\\junk.tmp", false},
        {0, L"MvdMng.ini", true},
    };
    for (int i = 0; i < shape.extraDataFiles; ++i) {
        files.push_back({CSIDL_COMMON_APPDATA,
                         L"Tamrix\\Mirovane\\Records\\Group" + std::to_wstring(i / 100) + L"\\Item" + std::to_wstring(i / 10) +
                             L"\\file" + std::to_wstring(i) + L".dat",
                         true});
    }
    return files;
}

std::string SuiteFileContent(const SuiteFile& file) {
    std::string content = "content of ";
    for (wchar_t ch : file.path) content += static_cast<char>(ch < 0x80 ? ch : '?');
    return content;
}

std::wstring SuiteFilePath(const SuiteFile& file) {
    if (file.csidl == 0) return L"C:\\" + file.path;
    WCHAR root[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, file.csidl, nullptr, SHGFP_TYPE_CURRENT, root))) return std::wstring();
    return std::wstring(root) + L"\\" + file.path;
}

bool InstallSuite(const SuiteShape& shape, std::wstring& failure) {
    Writer writer;
    WriteRows(writer);
    WriteLists(writer, shape);
    WriteSnapshotKeys(writer);
    for (const SuiteFile& file : SuiteFiles(shape)) writer.File(SuiteFilePath(file), SuiteFileContent(file));
    writer.Folder(SuiteFilePath({CSIDL_COMMON_APPDATA, L"Tamrix\\Mirovane\\Empty\\Deeper", true}));
    writer.Folder(L"D:\\Rec");
    failure = writer.failure;
    return writer.ok;
}

bool InstallFreshSuite(std::wstring& failure) {
    Writer writer;
    for (size_t i = 0; i < kSnapshotCount; ++i) writer.Key(HKEY_LOCAL_MACHINE, kSnapshotTable[i].subKey);
    writer.Text(HKEY_LOCAL_MACHINE, kInstInfo, L"MainVersion", kFreshMainVersion);
    writer.Text(HKEY_LOCAL_MACHINE, kInstInfo, L"SubVersion", L"9.1");
    writer.Dword(HKEY_LOCAL_MACHINE, kSuiteMainApp, L"PrefectCode", 0);
    writer.Folder(SuiteFilePath({CSIDL_COMMON_APPDATA, L"Tamrix\\Mirovane", true}));
    writer.Folder(SuiteFilePath({CSIDL_COMMON_APPDATA, L"Tamrix\\Parlunet", true}));
    writer.Folder(SuiteFilePath({CSIDL_LOCAL_APPDATA, L"Tamrix", true}));
    failure = writer.failure;
    return writer.ok;
}

std::vector<SuiteCheckLine> CheckSuite(const SuiteShape& shape, bool snapshotsRestorable, const std::wstring& snapshotNote) {
    std::vector<SuiteCheckLine> lines;
    CheckRows(lines);
    CheckLists(shape, lines);
    CheckSnapshots(snapshotsRestorable, snapshotNote, lines);
    CheckFiles(shape, lines);
    return lines;
}
