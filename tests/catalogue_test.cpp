// The catalogue table held against its rows written out by hand: a misspelt subkey, a swapped
// root or kind, a lost value name or a changed restore order shows here, where the stand-in
// installation (made from the table itself) cannot see it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "procedures/catalogue.h"
#include "sim_fixture.h"

namespace {

struct LiteralRow {
    int label;
    const char* kind;
    HKEY root;
    const wchar_t* subKey;  // nullptr: none (snapshots, DispMY)
    const wchar_t* names;   // a range as "Stem0-11"
    bool restored;
};

const HKEY HKCU = HKEY_CURRENT_USER, HKLM = HKEY_LOCAL_MACHINE, HKU = HKEY_USERS;

const LiteralRow kRows[] = {
    {1, "String", HKLM, L"SOFTWARE\\Tamrix\\Mirovane\\InstInfo", L"MainVersion SubVersion", false},
    {2, "Snapshots", HKLM, nullptr, L"", true},
    {3, "Dword", HKLM, L"SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\DtChUtl", L"Area CATV", true},
    {4, "Dword", HKLM, L"SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\BSCSUtl", L"Execute", true},
    {5, "Dword", HKLM, L"SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"PrefectCode ATTDigital ATTSatellite AntConvFreq AntConvPow", true},
    {6, "Dword", HKLM, L"SOFTWARE\\Tamrix\\Brevisto", L"ConfigWizardCompleted ResumeTimeout", true},
    {7, "String", HKLM, L"SOFTWARE\\Tamrix\\Brevisto", L"InstallPath", true},
    {8, "DefEpgOrderDG", HKLM, L"SOFTWARE\\Tamrix\\Mirovane\\MainApp\\DefEpgOrderDG", L"", true},
    {9, "Dword", HKCU, L"SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"PresetDTV_0-11", true},
    {10, "Dword", HKLM, L"SOFTWARE\\Tamrix\\Mirovane\\MainApp\\Preset", L"PresetDTV_0-11", true},
    {11, "Dword", HKCU, L"SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"PresetBS_0-11", true},
    {12, "Dword", HKU, L".Default\\SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"PresetBS_0-11", true},
    {13, "Dword", HKLM, L"SOFTWARE\\Tamrix\\Mirovane\\MainApp\\Preset", L"PresetBS_0-11", true},
    {14, "Dword", HKCU, L"SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"PresetCSN_0-11 PresetCSS_0-11", true},
    {15, "Dword", HKLM, L"SOFTWARE\\Tamrix\\Mirovane\\MainApp\\Preset", L"PresetCSN_0-11 PresetCSS_0-11", true},
    {16, "Dword", HKU, L".Default\\SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"PresetCSN_0-11 PresetCSS_0-11", true},
    {17, "Dword", HKLM, L"SOFTWARE\\Tamrix\\MvAllCommonFiles\\ApInfo", L"RecAutoBoot", true},
    {18, "Dword", HKLM, L"SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"LiveServerNo", true},
    {19, "String", HKLM, L"SOFTWARE\\Tamrix\\Mirovane\\TamrixMVTV", L"CompleteWizard", true},
    {20, "String", HKLM, L"SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\DtChUtl", L"ExecuteDate", true},
    {21, "String", HKLM, L"SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"ZipCode MpegFileSavePath TimeShiftFileSavePath", true},
    {22, "String", HKLM, L"SOFTWARE\\Tamrix\\Mirovane\\MVAutoRec\\Setting", L"AutoRecFileSavePath", true},
    {23, "String", HKLM, L"SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"LiveServerUUID", true},
    {24, "String", HKLM, L"SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\IPTV", L"Adapter AdapterName", true},
    {25, "DispMY", HKCU, nullptr, L"", true},
    {26, "Dword", HKLM, L"SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\CnfigSet\\EPG_Setting", L"AutoReceive Receive", true},
};

const int kLiteralRestoreOrder[] = {25, 26, 19, 20, 21, 22, 23, 24, 3, 4, 5, 18, 8, 9, 10, 11, 13, 12, 14, 15, 16, 17, 6, 7, 2};

const char* KindName(RowKind kind) {
    switch (kind) {
    case RowKind::Dword: return "Dword";
    case RowKind::String: return "String";
    case RowKind::Snapshots: return "Snapshots";
    case RowKind::DefEpgOrderDG: return "DefEpgOrderDG";
    case RowKind::DispMY: return "DispMY";
    }
    return "?";
}

std::wstring NameList(const CatalogueRow& row) {
    std::wstring out;
    for (size_t i = 0; i < row.nameCount; ++i) {
        if (!out.empty()) out += L' ';
        out += row.names[i].name;
        if (row.names[i].count > 0) out += L"0-" + std::to_wstring(row.names[i].count - 1);
    }
    return out;
}

}  // namespace

TEST(CatalogueTable, RowsRootsSubkeysKindsNamesAndRestoreOrderAreAsWritten) {
    ASSERT_EQ(kCatalogueRows, sizeof kRows / sizeof kRows[0]);
    for (size_t i = 0; i < kCatalogueRows; ++i) {
        const CatalogueRow& row = kCatalogue[i];
        const LiteralRow& want = kRows[i];
        SCOPED_TRACE("C" + std::to_string(want.label));
        EXPECT_EQ(row.label, want.label);
        EXPECT_STREQ(KindName(row.kind), want.kind);
        EXPECT_EQ(row.root, want.root);
        EXPECT_EQ(Narrow(row.subKey ? row.subKey : L""), Narrow(want.subKey ? want.subKey : L""));
        EXPECT_EQ(Narrow(NameList(row)), Narrow(want.names));
        EXPECT_EQ(row.restored, want.restored);
    }
    EXPECT_EQ(std::vector<int>(kRestoreOrder, kRestoreOrder + kRestoreOrderCount),
              std::vector<int>(std::begin(kLiteralRestoreOrder), std::end(kLiteralRestoreOrder)));
    EXPECT_EQ(Narrow(kDefEpgOrderSubKey), "SOFTWARE\\Tamrix\\Mirovane\\MainApp\\DefEpgOrderDG");
    for (int list = 0; list < 4; ++list) {
        EXPECT_EQ(Narrow(kDispMySubKeys[list]), "Software\\Tamrix\\Mirovane\\MainApp\\DispMY" + std::to_string(list + 1));
    }
}
