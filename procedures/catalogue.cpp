#include "procedures/catalogue.h"

#include <cstdlib>

namespace {


const ValueName kC1[] = {{L"MainVersion", 0}, {L"SubVersion", 0}};
const ValueName kC3[] = {{L"Area", 0}, {L"CATV", 0}};
const ValueName kC4[] = {{L"Execute", 0}};
const ValueName kC5[] = {{L"PrefectCode", 0}, {L"ATTDigital", 0}, {L"ATTSatellite", 0}, {L"AntConvFreq", 0}, {L"AntConvPow", 0}};
const ValueName kC6[] = {{L"ConfigWizardCompleted", 0}, {L"ResumeTimeout", 0}};
const ValueName kC7[] = {{L"InstallPath", 0}};
const ValueName kPresetDtv[] = {{L"PresetDTV_", 12}};
const ValueName kPresetBs[] = {{L"PresetBS_", 12}};
const ValueName kPresetCs[] = {{L"PresetCSN_", 12}, {L"PresetCSS_", 12}};
const ValueName kC17[] = {{L"RecAutoBoot", 0}};
const ValueName kC18[] = {{L"LiveServerNo", 0}};
const ValueName kC19[] = {{L"CompleteWizard", 0}};
const ValueName kC20[] = {{L"ExecuteDate", 0}};
const ValueName kC21[] = {{L"ZipCode", 0}, {L"MpegFileSavePath", 0}, {L"TimeShiftFileSavePath", 0}};
const ValueName kC22[] = {{L"AutoRecFileSavePath", 0}};
const ValueName kC23[] = {{L"LiveServerUUID", 0}};
const ValueName kC24[] = {{L"Adapter", 0}, {L"AdapterName", 0}};
const ValueName kC26[] = {{L"AutoReceive", 0}, {L"Receive", 0}};


template <size_t N>
constexpr size_t Count(const ValueName (&)[N]) {
    return N;
}

#define ROW(label, kind, root, subKey, names) {label, RowKind::kind, root, subKey, names, Count(names), true}
#define LIST(label, kind, root, subKey) {label, RowKind::kind, root, subKey, nullptr, 0, true}

const wchar_t kMainApp[] = L"SOFTWARE\\Tamrix\\Mirovane\\MainApp";
const wchar_t kPreset[] = L"SOFTWARE\\Tamrix\\Mirovane\\MainApp\\Preset";
const wchar_t kDefaultMainApp[] = L".Default\\SOFTWARE\\Tamrix\\Mirovane\\MainApp";
const wchar_t kDtChUtl[] = L"SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\DtChUtl";
const wchar_t kBrevisto[] = L"SOFTWARE\\Tamrix\\Brevisto";

}  // namespace

LPCWSTR const kDefEpgOrderSubKey = L"SOFTWARE\\Tamrix\\Mirovane\\MainApp\\DefEpgOrderDG";
LPCWSTR const kDispMySubKeys[4] = {
    L"Software\\Tamrix\\Mirovane\\MainApp\\DispMY1",
    L"Software\\Tamrix\\Mirovane\\MainApp\\DispMY2",
    L"Software\\Tamrix\\Mirovane\\MainApp\\DispMY3",
    L"Software\\Tamrix\\Mirovane\\MainApp\\DispMY4",
};

const CatalogueRow kCatalogue[] = {
    {1, RowKind::String, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\Mirovane\\InstInfo", kC1, Count(kC1), false},
    LIST(2, Snapshots, HKEY_LOCAL_MACHINE, nullptr),
    ROW(3, Dword, HKEY_LOCAL_MACHINE, kDtChUtl, kC3),
    ROW(4, Dword, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\BSCSUtl", kC4),
    ROW(5, Dword, HKEY_LOCAL_MACHINE, kMainApp, kC5),
    ROW(6, Dword, HKEY_LOCAL_MACHINE, kBrevisto, kC6),
    ROW(7, String, HKEY_LOCAL_MACHINE, kBrevisto, kC7),
    LIST(8, DefEpgOrderDG, HKEY_LOCAL_MACHINE, kDefEpgOrderSubKey),
    ROW(9, Dword, HKEY_CURRENT_USER, kMainApp, kPresetDtv),
    ROW(10, Dword, HKEY_LOCAL_MACHINE, kPreset, kPresetDtv),
    ROW(11, Dword, HKEY_CURRENT_USER, kMainApp, kPresetBs),
    ROW(12, Dword, HKEY_USERS, kDefaultMainApp, kPresetBs),
    ROW(13, Dword, HKEY_LOCAL_MACHINE, kPreset, kPresetBs),
    ROW(14, Dword, HKEY_CURRENT_USER, kMainApp, kPresetCs),
    ROW(15, Dword, HKEY_LOCAL_MACHINE, kPreset, kPresetCs),
    ROW(16, Dword, HKEY_USERS, kDefaultMainApp, kPresetCs),
    ROW(17, Dword, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\MvAllCommonFiles\\ApInfo", kC17),
    ROW(18, Dword, HKEY_LOCAL_MACHINE, kMainApp, kC18),
    ROW(19, String, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\Mirovane\\TamrixMVTV", kC19),
    ROW(20, String, HKEY_LOCAL_MACHINE, kDtChUtl, kC20),
    ROW(21, String, HKEY_LOCAL_MACHINE, kMainApp, kC21),
    ROW(22, String, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\Mirovane\\MVAutoRec\\Setting", kC22),
    ROW(23, String, HKEY_LOCAL_MACHINE, kMainApp, kC23),
    ROW(24, String, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\IPTV", kC24),
    LIST(25, DispMY, HKEY_CURRENT_USER, nullptr),
    ROW(26, Dword, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\CnfigSet\\EPG_Setting", kC26),
};

#undef ROW
#undef LIST

const size_t kCatalogueRows = sizeof kCatalogue / sizeof kCatalogue[0];

const int kRestoreOrder[] = {25, 26, 19, 20, 21, 22, 23, 24, 3, 4, 5, 18, 8, 9, 10, 11, 13, 12, 14, 15, 16, 17, 6, 7, 2};
const size_t kRestoreOrderCount = sizeof kRestoreOrder / sizeof kRestoreOrder[0];

const CatalogueRow& CatalogueRowByLabel(int label) {
    for (size_t i = 0; i < kCatalogueRows; ++i) {
        if (kCatalogue[i].label == label) return kCatalogue[i];
    }
    std::abort();  // every label of the restore order is a row of the table
}
