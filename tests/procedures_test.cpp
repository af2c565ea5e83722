// The backup and restore procedures end to end on the simulated machine: the round trip of a
// populated installation, the order of the two runs, and the enumerated lists.
#include <algorithm>
#include <iterator>
#include <string>

#include "app/command.h"
#include "installation.h"
#include "platform/sim/processes.h"
#include "platform/sim/registry.h"
#include "procedures/catalogue.h"
#include "procedures/procedures.h"
#include "registry/snapshot_table.h"
#include "platform/sim/known_folders.h"
#include "sim_fixture.h"

namespace {

const wchar_t kInstInfo[] = L"SOFTWARE\\Tamrix\\Mirovane\\InstInfo";

std::vector<std::wstring> WithoutVersions(std::vector<std::wstring> lines) {
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const std::wstring& line) { return line.find(L"\\INSTINFO|") != std::wstring::npos; }),
                lines.end());
    return lines;
}

// Equal listings, or the lines that only one of them has.
void ExpectSameLines(const std::vector<std::wstring>& actual, const std::vector<std::wstring>& expected) {
    std::vector<std::wstring> missing, extra;
    std::set_difference(expected.begin(), expected.end(), actual.begin(), actual.end(), std::back_inserter(missing));
    std::set_difference(actual.begin(), actual.end(), expected.begin(), expected.end(), std::back_inserter(extra));
    for (const auto& line : missing) ADD_FAILURE() << "missing: " << std::string(line.begin(), line.end());
    for (const auto& line : extra) ADD_FAILURE() << "unexpected: " << std::string(line.begin(), line.end());
}

}  // namespace

class ProceduresTest : public SimTest {
protected:
    void SetUp() override { drives().Add(L'D', DRIVE_FIXED); }
    sim::Registry& registry() { return machine->registry(); }
    // The text of a record in a workspace's settings file, or "<none>".
    std::wstring Record(const std::wstring& workspace, const std::wstring& section, const std::wstring& key) {
        WCHAR text[MAX_PATH] = {};
        std::wstring file = workspace + L"\\Movendo.ini";
        DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), L"<none>", text, MAX_PATH, file.c_str());
        return std::wstring(text, length);
    }
    DWORD Dword(HKEY root, const std::wstring& key, const std::wstring& name) {
        const sim::RegValue* value = registry().GetValue(root, key, name);
        if (value == nullptr || value->data.size() != 4) return 0xDEADBEEF;
        return value->data[0] | value->data[1] << 8 | value->data[2] << 16 | static_cast<DWORD>(value->data[3]) << 24;
    }
    // What a round trip carries of the installation: all but the versions and the third list,
    // which has no "num".
    std::vector<std::wstring> CarriedRegistry() {
        auto lines = WithoutVersions(SuiteRegistryListing(*machine));
        lines.erase(std::remove_if(lines.begin(), lines.end(),
                                   [](const std::wstring& line) { return line.find(L"\\DISPMY3") != std::wstring::npos; }),
                    lines.end());
        return lines;
    }
    bool HasValue(HKEY root, const std::wstring& key, const std::wstring& name) {
        return registry().GetValue(root, key, name) != nullptr;
    }
};

TEST_F(ProceduresTest, RoundTripRestoresEveryValueKeyAndFileOfAnInstallation) {
    ASSERT_NO_FATAL_FAILURE(SeedInstallation(*machine));
    auto registryBefore = CarriedRegistry();
    RunCommand(L"/get");
    ASSERT_TRUE(files().IsFolder(L"D:\\mvtemp"));
    ASSERT_TRUE(files().IsFolder(L"D:\\mvtempbk"));
    EXPECT_EQ(files().ReadFile(L"D:\\mvtemp\\Movendo.ini"), files().ReadFile(L"D:\\mvtempbk\\Movendo.ini"));
    for (size_t i = 0; i < kSnapshotCount; ++i) {
        EXPECT_TRUE(files().Exists(std::wstring(L"D:\\mvtemp\\") + kSnapshotTable[i].fileName)) << kSnapshotTable[i].fileName;
    }
    SuiteShape shape;
    std::vector<std::wstring> workspace;
    for (auto folder : {L"D:\\mvtemp\\MV", L"D:\\mvtemp\\tw1", L"D:\\mvtemp\\tw2", L"D:\\mvtemp\\MvdMng.ini"}) {
        auto listing = files().Listing(folder);
        workspace.insert(workspace.end(), listing.begin(), listing.end());
    }
    for (const SuiteFile& file : SuiteFiles(shape)) {
        std::wstring name = file.path.substr(file.path.find_last_of(L'\\') + 1);
        bool copied = std::any_of(workspace.begin(), workspace.end(),
                                  [&](const std::wstring& line) { return line.find(L"\\" + name + L"|") != std::wstring::npos; });
        EXPECT_EQ(copied, file.carried) << std::string(name.begin(), name.end());
    }

    ASSERT_NO_FATAL_FAILURE(Reinstall(*machine));
    files().WriteFile(L"C:\\ProgramData\\Tamrix\\Mirovane\\VideoFolder.dat", "rebuilt by the suite");
    files().WriteFile(L"C:\\ProgramData\\Tamrix\\Mirovane\\HDD.dat", "rebuilt by the suite");
    RunCommand(L"/set");

    ExpectSameLines(WithoutVersions(SuiteRegistryListing(*machine)), registryBefore);
    for (const SuiteCheckLine& line : CheckSuite(shape, true, L"")) {
        EXPECT_EQ(line.found, line.expected) << std::string(line.what.begin(), line.what.end());
    }
    EXPECT_TRUE(files().IsFolder(L"C:\\ProgramData\\Tamrix\\Mirovane\\Empty\\Deeper"));
    EXPECT_FALSE(files().Exists(L"C:\\ProgramData\\Tamrix\\Mirovane\\VideoFolder.dat"));
    EXPECT_FALSE(files().Exists(L"C:\\ProgramData\\Tamrix\\Mirovane\\HDD.dat"));
    for (auto folder : {L"D:\\Rec\\Mpeg", L"D:\\Rec\\TimeShift", L"D:\\Rec\\Auto"}) EXPECT_TRUE(files().IsFolder(folder)) << folder;
    EXPECT_FALSE(files().Exists(L"D:\\mvtemp"));
    EXPECT_FALSE(files().Exists(L"D:\\mvtempbk"));
    EXPECT_EQ(machine->OpenHandles(), 0u);
    // The versions are saved but never written back.
    EXPECT_EQ(registry().GetValue(HKEY_LOCAL_MACHINE, kInstInfo, L"MainVersion")->data, sim::TextBytes(kFreshMainVersion));
}

TEST_F(ProceduresTest, SetRestoresFromPrimaryThenSecondSoTheSecondRemains) {
    registry().SetDword(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerNo", 1);
    CEnvironment env;
    BackupEnvironment(env, Workspace::Second);
    registry().SetDword(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerNo", 2);
    BackupEnvironment(env, Workspace::Primary);
    registry().SetDword(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerNo", 3);
    RunCommand(L"/set");
    EXPECT_EQ(Dword(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerNo"), 1u);
    EXPECT_FALSE(files().Exists(L"D:\\mvtemp"));
    EXPECT_FALSE(files().Exists(L"D:\\mvtempbk"));
    RunCommand(L"/set");  // nothing left to do
    EXPECT_EQ(Dword(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerNo"), 1u);
}

TEST_F(ProceduresTest, WithoutAWorkspaceNothingIsStoppedOrWritten) {
    drives()[L'D'].writeProtected = true;
    ASSERT_NO_FATAL_FAILURE(SeedInstallation(*machine));
    machine->processes().Add(40, L"mvadmin.exe");
    auto registryBefore = machine->registry().Listing();
    auto filesBefore = files().Listing(L"C:\\");
    RunCommand(L"/get");
    RunCommand(L"/set");
    EXPECT_TRUE(machine->processes().terminated.empty());
    EXPECT_EQ(machine->registry().Listing(), registryBefore);
    EXPECT_EQ(files().Listing(L"C:\\"), filesBefore);
    EXPECT_FALSE(files().Exists(L"D:\\mvtemp"));
    EXPECT_FALSE(files().Exists(L"D:\\mvtempbk"));
}

TEST_F(ProceduresTest, RestoreWithoutSettingsFileStillCopiesFilesAndDeletesTheWorkspace) {
    files().WriteFile(L"D:\\mvtemp\\MV\\Setting.xml", "saved");
    files().MakeFolders(L"C:\\ProgramData\\Tamrix");
    files().WriteFile(L"D:\\mvtemp\\MvdMng.ini", "ini");
    registry().SetString(HKEY_LOCAL_MACHINE, kMainApp, L"MpegFileSavePath", L"D:\\Video");
    CEnvironment env;
    RestoreEnvironment(env, Workspace::Primary);
    EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerNo"));
    EXPECT_FALSE(registry().HasKey(HKEY_CURRENT_USER, L"Software\\Tamrix\\Mirovane\\MainApp\\DispMY1"));
    EXPECT_EQ(files().ReadFile(L"C:\\ProgramData\\Tamrix\\Mirovane\\Setting.xml"), "saved");
    EXPECT_EQ(files().ReadFile(L"C:\\MvdMng.ini"), "ini");
    EXPECT_TRUE(files().IsFolder(L"D:\\Video"));
    EXPECT_STREQ(env.m_szLog, "MpegFileSavePath=D:\\Video\r\n");
    EXPECT_FALSE(files().Exists(L"D:\\mvtemp"));
}

TEST_F(ProceduresTest, DefEpgOrderListEndsAtTheFirstMissingSid) {
    const std::wstring key = kDefEpgOrderSubKey;
    for (int i = 0; i < 5; ++i) {
        registry().SetDword(HKEY_LOCAL_MACHINE, key, L"Show" + std::to_wstring(i), i);
        registry().SetDword(HKEY_LOCAL_MACHINE, key, L"SID" + std::to_wstring(i), 100 + i);
    }
    registry().SetDword(HKEY_LOCAL_MACHINE, key, L"Show5", 5);
    registry().SetDword(HKEY_LOCAL_MACHINE, key, L"Show6", 6);
    registry().SetDword(HKEY_LOCAL_MACHINE, key, L"SID6", 106);
    RunCommand(L"/get");
    std::wstring section = L"HKEY_LOCAL_MACHINE\\" + key;
    EXPECT_EQ(Record(L"D:\\mvtemp", section, L"num"), L"<none>");
    EXPECT_EQ(Record(L"D:\\mvtemp", section, L"SID4"), L"104");
    EXPECT_EQ(Record(L"D:\\mvtemp", section, L"Show5"), L"5");
    EXPECT_EQ(Record(L"D:\\mvtemp", section, L"Show6"), L"<none>");
    EXPECT_EQ(Record(L"D:\\mvtemp", section, L"SID6"), L"<none>");
    registry().DeleteTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix");
    RunCommand(L"/set");
    EXPECT_EQ(Dword(HKEY_LOCAL_MACHINE, key, L"SID4"), 104u);
    EXPECT_EQ(Dword(HKEY_LOCAL_MACHINE, key, L"Show5"), 5u);
    EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, key, L"Show6"));
}

TEST_F(ProceduresTest, DispMyListsFollowNumSourceAndId) {
    const std::wstring noNum = kDispMySubKeys[0], shortList = kDispMySubKeys[1], gap = kDispMySubKeys[2];
    registry().SetString(HKEY_CURRENT_USER, noNum, L"name", L"ignored");
    registry().SetDword(HKEY_CURRENT_USER, noNum, L"SOURCE0", 1);
    registry().SetDword(HKEY_CURRENT_USER, shortList, L"num", 3);
    for (int i = 0; i < 3; ++i) {
        registry().SetDword(HKEY_CURRENT_USER, shortList, L"SOURCE" + std::to_wstring(i), i);
        registry().SetDword(HKEY_CURRENT_USER, shortList, L"ID" + std::to_wstring(i), 10 + i);
    }
    registry().SetDword(HKEY_CURRENT_USER, shortList, L"ID3", 13);
    registry().SetDword(HKEY_CURRENT_USER, gap, L"num", 4);
    for (int i = 0; i < 4; ++i) {
        registry().SetDword(HKEY_CURRENT_USER, gap, L"SOURCE" + std::to_wstring(i), i);
        if (i != 2) registry().SetDword(HKEY_CURRENT_USER, gap, L"ID" + std::to_wstring(i), 20 + i);
    }
    RunCommand(L"/get");
    registry().DeleteTree(HKEY_CURRENT_USER, L"Software\\Tamrix");
    RunCommand(L"/set");
    EXPECT_FALSE(registry().HasKey(HKEY_CURRENT_USER, noNum));
    EXPECT_EQ(Dword(HKEY_CURRENT_USER, shortList, L"ID2"), 12u);
    EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, shortList, L"ID3"));
    EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, gap, L"ID2"));
    EXPECT_EQ(Dword(HKEY_CURRENT_USER, gap, L"SOURCE3"), 3u);
    EXPECT_EQ(Dword(HKEY_CURRENT_USER, gap, L"ID3"), 23u);
}

TEST_F(ProceduresTest, ListsCarryAtMost256PairsAndNumberExtremes) {
    const std::wstring key = kDispMySubKeys[3];
    registry().SetDword(HKEY_CURRENT_USER, key, L"num", 300);
    for (int i = 0; i < 300; ++i) {
        registry().SetDword(HKEY_CURRENT_USER, key, L"SOURCE" + std::to_wstring(i), i == 7 ? 0x80000000u : 0xFFFFFFFFu);
        registry().SetDword(HKEY_CURRENT_USER, key, L"ID" + std::to_wstring(i), i);
        registry().SetDword(HKEY_LOCAL_MACHINE, kDefEpgOrderSubKey, L"SID" + std::to_wstring(i), i);
    }
    RunCommand(L"/get");
    registry().DeleteTree(HKEY_CURRENT_USER, L"Software\\Tamrix");
    registry().DeleteTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix");
    RunCommand(L"/set");
    EXPECT_EQ(Dword(HKEY_CURRENT_USER, key, L"SOURCE7"), 0x80000000u) << "the absent marker's value is a value too";
    EXPECT_EQ(Dword(HKEY_CURRENT_USER, key, L"SOURCE255"), 0xFFFFFFFFu);
    EXPECT_EQ(Dword(HKEY_CURRENT_USER, key, L"ID255"), 255u);
    EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, key, L"SOURCE256"));
    EXPECT_EQ(Dword(HKEY_LOCAL_MACHINE, kDefEpgOrderSubKey, L"SID255"), 255u);
    EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, kDefEpgOrderSubKey, L"SID256"));
}

// A backup early, another just before the wipe: the second leaves each workspace holding this
// machine as it is then, and /set brings back nothing that the machine had lost by then.
TEST_F(ProceduresTest, SecondGetLeavesWorkspacesHoldingThisMachineOnly) {
    const std::wstring list = kDispMySubKeys[0], epg = L"SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\CnfigSet\\EPG_Setting";
    const std::wstring iptv = kSnapshotTable[1].subKey, rondisc = kSnapshotTable[3].subKey;
    registry().SetDword(HKEY_CURRENT_USER, list, L"num", 5);
    for (int i = 0; i < 5; ++i) registry().SetDword(HKEY_CURRENT_USER, list, L"SOURCE" + std::to_wstring(i), i);
    registry().SetDword(HKEY_LOCAL_MACHINE, epg, L"AutoReceive", 7);
    registry().SetDword(HKEY_LOCAL_MACHINE, iptv, L"Old", 1);
    registry().SetDword(HKEY_LOCAL_MACHINE, rondisc, L"Disc", 1);
    files().WriteFile(kSuite + L"\\Old\\gone.dat", "gone");
    files().WriteFile(L"C:\\MvdMng.ini", "[x]");
    files().WriteFile(kSuite + L"\\ro.dat", "first")->attributes |= FILE_ATTRIBUTE_READONLY;
    RunCommand(L"/get");
    ASSERT_TRUE(files().Exists(L"D:\\mvtemp\\Rondisc1.dat"));
    files().Get(kSuite + L"\\ro.dat")->data.assign({'n', 'e', 'w'});

    registry().DeleteTree(HKEY_CURRENT_USER, list);
    registry().SetDword(HKEY_CURRENT_USER, list, L"num", 3);
    for (int i = 0; i < 3; ++i) registry().SetDword(HKEY_CURRENT_USER, list, L"SOURCE" + std::to_wstring(i), 50 + i);
    registry().DeleteTree(HKEY_LOCAL_MACHINE, epg);
    registry().DeleteTree(HKEY_LOCAL_MACHINE, iptv);
    registry().SetDword(HKEY_LOCAL_MACHINE, iptv, L"New", 2);
    registry().DeleteTree(HKEY_LOCAL_MACHINE, rondisc);
    files().Remove(kSuite + L"\\Old");
    files().Remove(L"C:\\MvdMng.ini");
    files().WriteFile(L"D:\\mvtempbk\\MV\\big.bin.mvpart", "killed /get")->attributes |= FILE_ATTRIBUTE_READONLY;
    files().WriteFile(kSuite + L"\\big.bin.mvpart", "killed /set");
    files().WriteFile(L"D:\\mvtemp\\Rondisc1.dat.mvpart", "killed save");
    RunCommand(L"/get");
    for (const std::wstring ws : {L"D:\\mvtemp", L"D:\\mvtempbk"}) {
        SCOPED_TRACE(Narrow(ws));
        EXPECT_EQ(Record(ws, L"HKEY_CURRENT_USER\\" + list, L"SOURCE2"), L"52");
        EXPECT_EQ(Record(ws, L"HKEY_CURRENT_USER\\" + list, L"SOURCE3"), L"<none>");
        EXPECT_EQ(Record(ws, L"HKEY_LOCAL_MACHINE\\" + epg, L"AutoReceive"), L"<none>");
        EXPECT_FALSE(files().Exists(ws + L"\\Rondisc1.dat"));
        EXPECT_FALSE(files().Exists(ws + L"\\Rondisc1.dat.mvpart"));
        EXPECT_FALSE(files().Exists(ws + L"\\MV\\Old"));
        EXPECT_FALSE(files().Exists(ws + L"\\MvdMng.ini"));
        EXPECT_FALSE(files().Exists(ws + L"\\MV\\big.bin.mvpart"));
        EXPECT_FALSE(files().Exists(ws + L"\\MV\\ro.dat.mvpart")) << "a read-only copy that cannot replace its file";
    }
    EXPECT_FALSE(files().Exists(L"D:\\mvtemp\\Movendo.ini.mvpart"));
    files().WriteFile(L"D:\\mvtempbk\\MV\\late.bin.mvpart", "planted after /get");

    registry().DeleteTree(HKEY_CURRENT_USER, L"Software\\Tamrix");
    registry().SetDword(HKEY_LOCAL_MACHINE, iptv, L"Installed", 3);
    registry().SetDword(HKEY_LOCAL_MACHINE, rondisc, L"Installed", 3);
    RunCommand(L"/set");
    EXPECT_EQ(Dword(HKEY_CURRENT_USER, list, L"SOURCE2"), 52u);
    EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, list, L"SOURCE3"));
    EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, epg, L"AutoReceive"));
    EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, iptv, L"New"));
    EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, iptv, L"Old"));
    EXPECT_TRUE(HasValue(HKEY_LOCAL_MACHINE, rondisc, L"Installed"));
    EXPECT_FALSE(files().Exists(kSuite + L"\\Old"));
    EXPECT_FALSE(files().Exists(kSuite + L"\\big.bin.mvpart"));
    EXPECT_FALSE(files().Exists(kSuite + L"\\late.bin.mvpart")) << "no data set carries a part file";
    EXPECT_FALSE(files().Exists(kSuite + L"\\ro.dat.mvpart")) << "a read-only copy that cannot replace its file";
    EXPECT_FALSE(files().Exists(L"C:\\MvdMng.ini"));

    RunCommand(L"/get");
    ASSERT_TRUE(files().Exists(L"D:\\mvtemp\\Movendo.ini"));
    registry().DeleteTree(HKEY_CURRENT_USER, L"Software\\Tamrix");
    registry().DeleteTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix");
    RunCommand(L"/get");
    EXPECT_FALSE(files().Exists(L"D:\\mvtemp\\Movendo.ini")) << "no values on the machine: no records of an earlier pass";
}

TEST_F(ProceduresTest, SavePathFoldersFollowTheRestoredValues) {
    registry().SetString(HKEY_LOCAL_MACHINE, kMainApp, L"MpegFileSavePath", L"D:\\NoParent\\Mpeg");
    registry().SetString(HKEY_LOCAL_MACHINE, kMainApp, L"TimeShiftFileSavePath", L"D:\\Shift");
    registry().SetString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\Mirovane\\MVAutoRec\\Setting", L"AutoRecFileSavePath", L"D:\\Auto");
    RunCommand(L"/get");
    registry().SetString(HKEY_LOCAL_MACHINE, kMainApp, L"TimeShiftFileSavePath", L"D:\\Installer");
    CEnvironment env;
    RestoreEnvironment(env, Workspace::Primary);
    EXPECT_FALSE(files().Exists(L"D:\\NoParent"));
    EXPECT_TRUE(files().IsFolder(L"D:\\Shift"));
    EXPECT_FALSE(files().Exists(L"D:\\Installer"));
    EXPECT_TRUE(files().IsFolder(L"D:\\Auto"));
    EXPECT_STREQ(env.m_szLog, "AutoRecFileSavePath=D:\\Auto\r\n");
}

TEST_F(ProceduresTest, WorkspaceIsDeletedWhateverTheRestoreAchieved) {
    registry().SetDword(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerNo", 5);
    RunCommand(L"/get");
    registry().Restrict(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0);
    machine->faults().FailForPath("SHGetFolderPathW", L"C:\\ProgramData", E_FAIL);
    RunCommand(L"/set");
    EXPECT_FALSE(files().Exists(L"D:\\mvtemp"));
    EXPECT_FALSE(files().Exists(L"D:\\mvtempbk"));
}

TEST(Catalogue, CountsOfValuesAndSnapshotsInBothOrders) {
    struct Counts {
        size_t dwords = 0, strings = 0, snapshots = 0, lists = 0;
        void Add(const CatalogueRow& row) {
            size_t names = 0;
            ForEachValueName(row, [&](LPCWSTR) { ++names; });
            if (row.kind == RowKind::Dword) dwords += names;
            if (row.kind == RowKind::String) strings += names;
            if (row.kind == RowKind::Snapshots) snapshots += kSnapshotCount;
            if (row.kind == RowKind::DefEpgOrderDG || row.kind == RowKind::DispMY) ++lists;
        }
    } backup, restore;
    for (size_t i = 0; i < kCatalogueRows; ++i) backup.Add(kCatalogue[i]);
    for (size_t i = 0; i < kRestoreOrderCount; ++i) restore.Add(CatalogueRowByLabel(kRestoreOrder[i]));
    EXPECT_EQ(kCatalogueRows, 26u);
    EXPECT_EQ(backup.dwords, 146u);
    EXPECT_EQ(backup.strings, 12u);
    EXPECT_EQ(backup.snapshots, 7u);
    EXPECT_EQ(restore.dwords, 146u);
    EXPECT_EQ(restore.strings, 10u);
    EXPECT_EQ(restore.snapshots, 7u);
    EXPECT_EQ(restore.lists, 2u);
    EXPECT_EQ(std::count(kRestoreOrder, kRestoreOrder + kRestoreOrderCount, 1), 0);
}

TEST_F(ProceduresTest, AWorkspaceThatIsALinkIsNeitherWrittenNorReadAndOnlyTheLinkIsRemoved) {
    registry().SetDword(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerNo", 5);
    files().MakeFolders(L"C:\\Windows\\System32");
    files().WriteFile(L"C:\\Windows\\System32\\Movendo.ini", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\MainApp]\r\nLiveServerNo=66\r\n");
    files().MakeLink(L"D:\\mvtemp", L"C:\\Windows\\System32");
    machine->processes().Add(40, L"mvadmin.exe");
    auto target = files().Listing(L"C:\\Windows");
    CEnvironment env;
    BackupEnvironment(env, Workspace::Primary);
    EXPECT_EQ(files().Listing(L"C:\\Windows"), target);
    EXPECT_TRUE(machine->processes().terminated.empty());
    RestoreEnvironment(env, Workspace::Primary);
    EXPECT_EQ(files().Listing(L"C:\\Windows"), target);
    EXPECT_EQ(Dword(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerNo"), 5u);
    EXPECT_FALSE(files().Exists(L"D:\\mvtemp"));
}

TEST_F(ProceduresTest, ALongSavePathGetsAShortenedTraceLineAndItsFolder) {
    std::wstring path = L"D:\\" + std::wstring(240, L'r');  // the line would need 17 + 243 + 2 bytes
    registry().SetString(HKEY_LOCAL_MACHINE, kMainApp, L"MpegFileSavePath", path);
    files().MakeFolders(L"D:\\mvtemp");
    CEnvironment env;
    RestoreEnvironment(env, Workspace::Primary);
    EXPECT_TRUE(files().IsFolder(path));
    std::string line = env.m_szLog;
    EXPECT_EQ(line.size(), 259u);
    EXPECT_EQ(line.substr(0, 20), "MpegFileSavePath=D:\\");
    EXPECT_EQ(line.substr(line.size() - 3), "r\r\n");
}

// Data that fill the whole buffer with no terminator name no path: no trace line, no folder.
TEST_F(ProceduresTest, SavePathDataWithoutATerminatorNameNoFolder) {
    registry().SetValue(HKEY_LOCAL_MACHINE, kMainApp, L"MpegFileSavePath", REG_SZ,
                        sim::TextBytes(L"D:\\" + std::wstring(MAX_PATH - 3, L'u'), false));
    files().MakeFolders(L"D:\\mvtemp");
    CEnvironment env;
    RestoreEnvironment(env, Workspace::Primary);
    EXPECT_STREQ(env.m_szLog, "Find:tempDirectory=D:\\mvtemp\r\n");
    for (const auto& call : machine->calls()) EXPECT_NE(call.rfind(L"CreateDirectoryW D:\\u", 0), 0u) << Narrow(call);
}

// Only an absolute path on a fixed or removable drive makes a folder: never a share, a device or
// long path, a relative path, or a drive of another type.
TEST_F(ProceduresTest, SavePathFoldersAreMadeOnlyOnLocalDrives) {
    drives().Add(L'F', DRIVE_CDROM);
    const wchar_t* const kRefused[] = {L"\\\\host\\share\\rec", L"\\\\?\\D:\\rec", L"\\\\.\\D:\\rec", L"rec", L"D:rec", L"F:\\rec"};
    CEnvironment env;
    for (const wchar_t* path : kRefused) {
        registry().SetString(HKEY_LOCAL_MACHINE, kMainApp, L"MpegFileSavePath", path);
        machine->ClearCalls();
        env.CreateSavePathFolders();
        for (const auto& call : machine->calls()) EXPECT_NE(call.find(L"CreateDirectoryW"), 0u) << Narrow(path);
    }
    registry().SetString(HKEY_LOCAL_MACHINE, kMainApp, L"MpegFileSavePath", L"d:\\rec");
    env.CreateSavePathFolders();
    EXPECT_TRUE(files().IsFolder(L"D:\\rec"));
}

// A value that cannot be written, a key that cannot be loaded, a file that a program holds: each
// alone keeps both workspaces whole, and the next /set, once the cause is gone, lands everything
// and deletes them.
TEST_F(ProceduresTest, ARestoreKeepsTheWorkspacesOfWhatDidNotLandUntilANextOneLandsIt) {
    ASSERT_NO_FATAL_FAILURE(SeedInstallation(*machine));
    auto registryBefore = CarriedRegistry();
    RunCommand(L"/get");
    auto workspaces = [&]() {
        auto both = files().Listing(L"D:\\mvtemp"), second = files().Listing(L"D:\\mvtempbk");
        both.insert(both.end(), second.begin(), second.end());
        return both;
    };
    const std::wstring held = kSuite + L"\\Setting.xml";
    for (int cause = 0; cause < 3; ++cause) {
        SCOPED_TRACE(cause);
        auto saved = workspaces();
        ASSERT_NO_FATAL_FAILURE(Reinstall(*machine));
        if (cause == 0) machine->faults().FailAlways("RegSetValueExW", ERROR_ACCESS_DENIED);
        if (cause == 1) machine->faults().FailAlways("RegRestoreKeyW", ERROR_ACCESS_DENIED);
        if (cause == 2) files().WriteFile(held, "installed")->inUse = true;
        RunCommand(L"/set");
        EXPECT_EQ(workspaces(), saved) << "both workspaces stay, whole";
        machine->faults().Clear();
        if (files().Exists(held)) files().Get(held)->inUse = false;
        RunCommand(L"/set");
        EXPECT_FALSE(files().Exists(L"D:\\mvtemp"));
        EXPECT_FALSE(files().Exists(L"D:\\mvtempbk"));
        ExpectSameLines(WithoutVersions(SuiteRegistryListing(*machine)), registryBefore);
        for (const SuiteCheckLine& line : CheckSuite(SuiteShape(), true, L"")) EXPECT_EQ(line.found, line.expected) << Narrow(line.what);
        if (cause < 2) RunCommand(L"/get");
    }
}

// A second /get of an unchanged machine writes no record; one value changed, and every record is
// written anew.
TEST_F(ProceduresTest, ASecondGetRewritesTheSettingsFileOnlyWhenAValueChanged) {
    ASSERT_NO_FATAL_FAILURE(SeedInstallation(*machine));
    RunCommand(L"/get");
    std::string settings = files().ReadFile(L"D:\\mvtemp\\Movendo.ini");
    auto writes = [&]() {
        return std::count_if(machine->calls().begin(), machine->calls().end(),
                             [](const std::wstring& call) { return call.rfind(L"WritePrivateProfileStringW ", 0) == 0; });
    };
    machine->ClearCalls();
    RunCommand(L"/get");
    EXPECT_EQ(writes(), 0);
    EXPECT_EQ(files().ReadFile(L"D:\\mvtemp\\Movendo.ini"), settings);
    registry().DeleteTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\Mirovane\\MVAutoRec\\Setting");
    RunCommand(L"/get");
    EXPECT_EQ(Record(L"D:\\mvtemp", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\MVAutoRec\\Setting", L"AutoRecFileSavePath"),
              L"<none>");
    registry().SetDword(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerNo", 4242);
    RunCommand(L"/get");
    EXPECT_EQ(Record(L"D:\\mvtemp", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"LiveServerNo"), L"4242");
    EXPECT_EQ(Record(L"D:\\mvtempbk", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\MainApp", L"LiveServerNo"), L"4242");
}
