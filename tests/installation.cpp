#include "installation.h"

#include <algorithm>

#include "platform/sim/filesystem.h"
#include "platform/sim/registry.h"
#include "registry/snapshot_table.h"

namespace {

const wchar_t kSoftwareTamrix[] = L"SOFTWARE\\Tamrix";
const wchar_t kDefaultTamrix[] = L".Default\\SOFTWARE\\Tamrix";

std::wstring Indexed(const wchar_t* stem, int index) { return stem + std::to_wstring(index); }

void SeedRow(sim::Registry& registry, const CatalogueRow& row) {
    std::wstring section = std::wstring(sim::RootName(row.root)) + L"\\" + row.subKey;
    ForEachValueName(row, [&](LPCWSTR name) {
        if (row.kind == RowKind::Dword) {
            registry.SetDword(row.root, row.subKey, name, SeedNumber(section, name));
        } else {
            registry.SetString(row.root, row.subKey, name, SeedText(name));
        }
    });
}

void SeedLists(sim::Registry& registry, const InstallationShape& shape) {
    registry.SetDword(HKEY_LOCAL_MACHINE, kDefEpgOrderSubKey, L"num", shape.defEpgPairs);
    for (int i = 0; i < shape.defEpgPairs; ++i) {
        registry.SetDword(HKEY_LOCAL_MACHINE, kDefEpgOrderSubKey, Indexed(L"Show", i), i % 2);
        registry.SetDword(HKEY_LOCAL_MACHINE, kDefEpgOrderSubKey, Indexed(L"SID", i), 1000 + i);
    }
    for (int list = 0; list < 4; ++list) {
        LPCWSTR subKey = kDispMySubKeys[list];
        if (shape.dispMyNum[list]) registry.SetDword(HKEY_CURRENT_USER, subKey, L"num", shape.dispMyPairs[list]);
        registry.SetString(HKEY_CURRENT_USER, subKey, L"name", L"My list " + std::to_wstring(list + 1));
        for (int i = 0; i < shape.dispMyPairs[list]; ++i) {
            registry.SetDword(HKEY_CURRENT_USER, subKey, Indexed(L"SOURCE", i), 0xFFFFFFF0u + i % 16);
            registry.SetDword(HKEY_CURRENT_USER, subKey, Indexed(L"ID", i), 7000 + i);
        }
    }
}

void SeedSnapshotKeys(sim::Registry& registry) {
    for (size_t i = 0; i < kSnapshotCount; ++i) {
        std::wstring key = kSnapshotTable[i].subKey;
        registry.SetDword(HKEY_LOCAL_MACHINE, key, L"Count", static_cast<DWORD>(i * 3));
        registry.SetString(HKEY_LOCAL_MACHINE, key, L"Label", L"snapshot " + std::to_wstring(i));
        registry.SetValue(HKEY_LOCAL_MACHINE, key, L"Blob", REG_BINARY, {1, 2, 3, static_cast<uint8_t>(i)});
        registry.SetString(HKEY_LOCAL_MACHINE, key + L"\\Sub\\Deeper", L"Path", L"C:\\x\\" + std::to_wstring(i),
                           REG_EXPAND_SZ);
    }
}

const wchar_t kSuiteData[] = L"C:\\ProgramData\\Tamrix\\Mirovane";
const wchar_t kCommonData[] = L"C:\\ProgramData\\Tamrix\\Parlunet";
const wchar_t kLocalData[] = L"C:\\Users\\user\\AppData\\Local\\Tamrix\\Parlunet";

}  // namespace

const std::vector<std::wstring> kCarriedFiles = {
    L"ProgramData\\Tamrix\\Mirovane\\Setting.xml",
    L"ProgramData\\Tamrix\\Mirovane\\Data\\Channel.dat",
    L"ProgramData\\Tamrix\\Mirovane\\Data\\Old\\Epg.bin",
    L"ProgramData\\Tamrix\\Mirovane\\Data\\HDD.dat\\inside.txt",
    L"ProgramData\\Tamrix\\Parlunet\\AccountData.xml",
    L"ProgramData\\Tamrix\\Parlunet\\Sub\\CONFIGDATA.XML",
    L"ProgramData\\Tamrix\\Parlunet\\TagHistoryData.xml",
    L"Users\\user\\AppData\\Local\\Tamrix\\Parlunet\\FilterData.xml",
    L"Users\\user\\AppData\\Local\\Tamrix\\Parlunet\\View\\ViewData.xml",
    L"MvdMng.ini",
};

const std::vector<std::wstring> kLeftOutFiles = {
    L"ProgramData\\Tamrix\\Mirovane\\Movendo.ini",
    L"ProgramData\\Tamrix\\Mirovane\\CheckSum.dat",
    L"ProgramData\\Tamrix\\Mirovane\\Data\\videofolder.DAT",
    L"ProgramData\\Tamrix\\Parlunet\\Other.xml",
    L"Users\\user\\AppData\\Local\\Tamrix\\Parlunet\\Cache\\junk.tmp",
};

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

void SeedInstallation(sim::Machine& machine, const InstallationShape& shape) {
    sim::Registry& registry = machine.registry();
    for (size_t i = 0; i < kCatalogueRows; ++i) {
        const CatalogueRow& row = kCatalogue[i];
        if (row.kind == RowKind::Dword || row.kind == RowKind::String) SeedRow(registry, row);
    }
    SeedLists(registry, shape);
    SeedSnapshotKeys(registry);
    sim::FileSystem& files = machine.files();
    for (const auto& file : kCarriedFiles) files.WriteFile(L"C:\\" + file, "carried " + std::string(file.begin(), file.end()));
    for (const auto& file : kLeftOutFiles) files.WriteFile(L"C:\\" + file, "left out");
        files.MakeFolders(std::wstring(kSuiteData) + L"\\Empty\\Deeper");
    files.MakeFolders(L"D:\\Rec");
}

void Reinstall(sim::Machine& machine) {
    sim::Registry& registry = machine.registry();
    registry.DeleteTree(HKEY_LOCAL_MACHINE, kSoftwareTamrix);
    registry.DeleteTree(HKEY_CURRENT_USER, kSoftwareTamrix);
    registry.DeleteTree(HKEY_USERS, kDefaultTamrix);
    sim::FileSystem& files = machine.files();
    for (auto folder : {kSuiteData, kCommonData, kLocalData}) files.Remove(folder);
    files.Remove(L"C:\\Users\\user\\AppData\\Local\\Tamrix");
    files.Remove(L"C:\\MvdMng.ini");
    for (size_t i = 0; i < kSnapshotCount; ++i) registry.MakeKey(HKEY_LOCAL_MACHINE, kSnapshotTable[i].subKey);
    registry.SetString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\Mirovane\\InstInfo", L"MainVersion", L"9");
    registry.SetString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\Mirovane\\InstInfo", L"SubVersion", L"9.1");
    registry.SetDword(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"PrefectCode", 0);
    files.MakeFolders(kSuiteData);
    files.MakeFolders(kCommonData);
    files.MakeFolders(L"C:\\Users\\user\\AppData\\Local\\Tamrix");
}

std::vector<std::wstring> SuiteRegistryListing(sim::Machine& machine) {
    // Key names are compared without regard to case, as the registry compares them: a restore
    // creates "Software\Tamrix" where the installer wrote "SOFTWARE\Tamrix".
    std::vector<std::wstring> lines;
    for (const auto& line : machine.registry().Listing()) {
        if (line.find(L"\\Tamrix") != std::wstring::npos) lines.push_back(sim::Upper(line));
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<std::wstring> SuiteFilesListing(sim::Machine& machine) {
    std::vector<std::wstring> lines;
    for (auto root : {kSuiteData, kCommonData, kLocalData, L"C:\\MvdMng.ini"}) {
        for (const auto& line : machine.files().Listing(root)) lines.push_back(line);
    }
    return lines;
}
