// The program under hostile conditions on the simulated machine: a second run beside the first, a
// workspace drive that fills up, a removable drive without a medium, links where the settings
// file and the hive files belong, and reparse points that are not links.
#include <functional>
#include <map>
#include <string>

#include "app/command.h"
#include "app/movendo_app.h"
#include "base/run_lock.h"
#include "installation.h"
#include "platform/sim/processes.h"
#include "platform/sim/registry.h"
#include "procedures/procedures.h"
#include "platform/sim/security.h"
#include "sim_fixture.h"

namespace {

const wchar_t kIptv[] = L"SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\IPTV";

typedef std::map<std::wstring, std::string> Contents;

}  // namespace

class HostileTest : public SimTest {
protected:
    void SetUp() override { drives().Add(L'D', DRIVE_FIXED); }
    sim::Registry& registry() { return machine->registry(); }
    // Every file below the folders (links not entered), by path relative to its folder's label.
    Contents Files(const std::map<std::wstring, std::wstring>& folders) {
        Contents out;
        std::function<void(const sim::Node&, const std::wstring&)> add = [&](const sim::Node& node, const std::wstring& at) {
            if (node.IsLink()) return;
            if (!node.IsFolder()) {
                out[at] = std::string(node.data.begin(), node.data.end());
                return;
            }
            for (const auto& child : node.children) add(*child, at + L"\\" + child->name);
        };
        for (const auto& folder : folders) {
            if (auto node = files().Get(folder.second)) add(*node, folder.first);
        }
        return out;
    }
    Contents System() {
        return Files({{L"MV", kSuite}, {L"tw1", L"C:\\ProgramData\\Tamrix\\Parlunet"},
                      {L"tw2", L"C:\\Users\\user\\AppData\\Local\\Tamrix\\Parlunet"}, {L"MvdMng.ini", L"C:\\MvdMng.ini"}});
    }
    Contents Workspace(const std::wstring& path) {
        return Files({{L"MV", path + L"\\MV"}, {L"tw1", path + L"\\tw1"}, {L"tw2", path + L"\\tw2"},
                      {L"MvdMng.ini", path + L"\\MvdMng.ini"}});
    }
    // Each workspace file is whole: what the system held when it was copied, or an earlier state.
    void ExpectWholeCopies(const std::wstring& workspace, const Contents& now, const Contents& earlier = Contents()) {
        for (const auto& file : Workspace(workspace)) {
            auto current = now.find(file.first), old = earlier.find(file.first);
            bool whole = (current != now.end() && current->second == file.second) ||
                         (old != earlier.end() && old->second == file.second);
            EXPECT_TRUE(whole) << Narrow(workspace + L"\\" + file.first) << " holds " << file.second.size() << " bytes";
        }
        for (auto name : {L"\\Movendo.ini.mvpart", L"\\MV\\Setting.xml.mvpart"}) EXPECT_FALSE(files().Exists(workspace + name));
    }
    uint64_t& FreeOnD() { return drives()[L'D'].freeBytes; }
    DWORD Dword(HKEY root, const std::wstring& key, const std::wstring& name) {
        const sim::RegValue* value = registry().GetValue(root, key, name);
        if (value == nullptr || value->data.size() != 4) return 0xDEADBEEF;
        return value->data[0] | value->data[1] << 8 | value->data[2] << 16 | static_cast<DWORD>(value->data[3]) << 24;
    }
    void RunApp(LPCWSTR tail) {
        CMovendoApp app;
        app.m_lpCmdLine = tail;
        app.InitInstance();
    }
};

TEST_F(HostileTest, ASecondRunFindsTheMutexHeldAndChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(SeedInstallation(*machine));
    machine->processes().Add(40, L"mvadmin.exe");
    machine->HoldMutexElsewhere(kRunMutexName, sim::kAdministratorsSid);  // the run already under way
    auto registryBefore = registry().Listing();
    auto filesBefore = files().Listing(L"C:\\");
    machine->ClearCalls();
    RunApp(L"/get");
    RunApp(L"/set");
    EXPECT_TRUE(machine->calls().empty());
    EXPECT_TRUE(machine->processes().terminated.empty());
    EXPECT_EQ(registry().Listing(), registryBefore);
    EXPECT_EQ(files().Listing(L"C:\\"), filesBefore);
    EXPECT_FALSE(files().Exists(L"D:\\mvtemp"));
    machine->mutexOwners[kRunMutexName].abandoned = true;  // the first run was killed
    RunApp(L"/get");
    EXPECT_TRUE(files().IsFolder(L"D:\\mvtemp"));
    EXPECT_EQ(machine->mutexOwners.count(kRunMutexName), 0u) << "a run lets the mutex go when it ends";
    EXPECT_EQ(machine->OpenHandles(), 0u);
}

TEST_F(HostileTest, ARemovableDriveWithoutAMediumRaisesNoSystemBox) {
    drives().Add(L'A', DRIVE_REMOVABLE);
    drives()[L'A'].hasMedium = false;
    RunCommand(L"/get");  // the drive walk alone, in a process that lets critical errors through
    ASSERT_FALSE(machine->systemBoxes.empty()) << "the machine shows the box that Windows would";
    files().Remove(L"D:\\mvtemp");
    files().Remove(L"D:\\mvtempbk");
    machine->systemBoxes.clear();
    RunApp(L"/get");
    EXPECT_TRUE(machine->systemBoxes.empty()) << Narrow(machine->systemBoxes.empty() ? L"" : machine->systemBoxes[0]);
    EXPECT_TRUE(files().IsFolder(L"D:\\mvtemp"));
}

// The drive runs out of room halfway through the first workspace's data files, or halfway
// through the whole first workspace (in its settings file): what fits is whole, the rest is
// absent, and the restore then cuts no file of the suite short.
TEST_F(HostileTest, ADriveThatFillsDuringTheBackupLeavesOnlyWholeFilesAndTheRestoreShortensNone) {
    ASSERT_NO_FATAL_FAILURE(SeedInstallation(*machine));
    Contents system = System();
    uint64_t dataBytes = 0;
    for (const auto& file : system) dataBytes += file.second.size();
    uint64_t room = FreeOnD();
    RunCommand(L"/get");
    uint64_t both = room - FreeOnD();
    std::string settings = files().ReadFile(L"D:\\mvtemp\\Movendo.ini");
    ASSERT_FALSE(settings.empty());
    for (uint64_t free : {both / 4, dataBytes / 2}) {
        SCOPED_TRACE(free);
        files().Remove(L"D:\\mvtemp");
        files().Remove(L"D:\\mvtempbk");
        FreeOnD() = free;
        RunCommand(L"/get");
        ASSERT_GT(Workspace(L"D:\\mvtempbk").size(), 0u) << "part of the backup fits";
        for (auto workspace : {L"D:\\mvtempbk", L"D:\\mvtemp"}) {
            ExpectWholeCopies(workspace, system);
            std::wstring ini = std::wstring(workspace) + L"\\Movendo.ini";
            EXPECT_TRUE(!files().Exists(ini) || files().ReadFile(ini) == settings) << Narrow(ini);
            for (auto hive : {L"\\IPTV.dat", L"\\CheckSum.dat", L"\\Rondisc1.dat"}) {
                std::wstring path = workspace + std::wstring(hive);
                EXPECT_TRUE(!files().Exists(path) || !files().ReadFile(path).empty()) << Narrow(path);
            }
        }
    }
    ASSERT_LT(Workspace(L"D:\\mvtempbk").size(), system.size()) << "and part does not";
    ASSERT_NO_FATAL_FAILURE(Reinstall(*machine));
    Contents installed = System();
    RunCommand(L"/set");
    for (const auto& file : System()) {
        bool before = installed.count(file.first) && installed[file.first] == file.second;
        bool restored = system.count(file.first) && system[file.first] == file.second;
        EXPECT_TRUE(before || restored) << Narrow(file.first) << " holds " << file.second.size() << " bytes";
    }
    for (const auto& file : installed) EXPECT_TRUE(System().count(file.first)) << Narrow(file.first);
}

// A workspace used before keeps its complete copies where the new ones do not fit, and keeps its
// settings file when a record cannot be written.
TEST_F(HostileTest, EarlierCompleteCopiesAndSettingsStayWhenTheNewOnesCannotBeWritten) {
    ASSERT_NO_FATAL_FAILURE(SeedInstallation(*machine));
    RunCommand(L"/get");
    Contents earlier = System();
    std::string settings = files().ReadFile(L"D:\\mvtemp\\Movendo.ini");
    for (const auto& file : earlier) {
        if (file.first.compare(0, 3, L"MV\\") == 0) files().WriteFile(kSuite + file.first.substr(2), "grown " + file.second);
    }
    registry().SetDword(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerNo", 77);
    FreeOnD() = 0;
    RunCommand(L"/get");
    ExpectWholeCopies(L"D:\\mvtemp", System(), earlier);
    EXPECT_EQ(files().ReadFile(L"D:\\mvtemp\\Movendo.ini"), settings);
    EXPECT_EQ(files().ReadFile(L"D:\\mvtempbk\\Movendo.ini"), settings);

    FreeOnD() = UINT64_C(1) << 30;
    machine->faults().FailOnce("WritePrivateProfileStringW", ERROR_SHARING_VIOLATION);
    CEnvironment env;
    BackupEnvironment(env, Workspace::Primary);
    EXPECT_EQ(files().ReadFile(L"D:\\mvtemp\\Movendo.ini"), settings) << "a record was lost: the earlier file stays";
    EXPECT_EQ(env.m_strIniFile, L"D:\\mvtemp\\Movendo.ini");
    BackupEnvironment(env, Workspace::Primary);
    EXPECT_NE(files().ReadFile(L"D:\\mvtemp\\Movendo.ini"), settings);
    EXPECT_FALSE(files().Exists(L"D:\\mvtemp\\Movendo.ini.mvpart"));
    registry().SetDword(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerNo", 1);
    RestoreEnvironment(env, Workspace::Primary);
    EXPECT_EQ(Dword(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerNo"), 77u);
}

TEST_F(HostileTest, ASettingsFileOrHiveFileThatIsALinkIsNeitherWrittenNorRead) {
    registry().SetDword(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerNo", 5);
    registry().SetDword(HKEY_LOCAL_MACHINE, kIptv, L"Planted", 1);
    registry().SetDword(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\DatMng\\CheckSum", L"Sum", 1);
    CEnvironment planter;
    planter.m_strTempDirectory = L"C:\\Planted";
    files().MakeFolders(planter.m_strTempDirectory);
    planter.SaveKeyToFile(L"hive.dat", kIptv);
    ASSERT_TRUE(files().Exists(L"C:\\Planted\\hive.dat"));
    registry().DeleteTree(HKEY_LOCAL_MACHINE, kIptv);
    registry().SetDword(HKEY_LOCAL_MACHINE, kIptv, L"Own", 1);
    files().WriteFile(L"C:\\Planted\\theirs.ini", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tamrix\\Mirovane\\MainApp]\r\nLiveServerNo=66\r\n");
    files().MakeFolders(L"D:\\mvtemp");
    files().MakeFileLink(L"D:\\mvtemp\\Movendo.ini", L"C:\\Planted\\theirs.ini");
    files().MakeFileLink(L"D:\\mvtemp\\IPTV.dat", L"C:\\Planted\\hive.dat");
    auto planted = files().Listing(L"C:\\Planted");
    CEnvironment env;
    BackupEnvironment(env, Workspace::Primary);
    EXPECT_EQ(files().Listing(L"C:\\Planted"), planted);
    EXPECT_TRUE(files().Get(L"D:\\mvtemp\\Movendo.ini")->IsLink());
    EXPECT_TRUE(files().Exists(L"D:\\mvtemp\\CheckSum.dat")) << "the other hive files are written as usual";
    RestoreEnvironment(env, Workspace::Primary);
    EXPECT_EQ(files().Listing(L"C:\\Planted"), planted);
    EXPECT_EQ(Dword(HKEY_LOCAL_MACHINE, kMainApp, L"LiveServerNo"), 5u);
    EXPECT_EQ(registry().GetValue(HKEY_LOCAL_MACHINE, kIptv, L"Planted"), nullptr);
    EXPECT_NE(registry().GetValue(HKEY_LOCAL_MACHINE, kIptv, L"Own"), nullptr);
    EXPECT_TRUE(files().Exists(L"D:\\mvtemp")) << "what it could not read stays saved";
}

TEST_F(HostileTest, ReparsePointsThatAreNotLinksAreCarriedAndDeletedLikeTheOthers) {
    files().WriteFile(kSuite + L"\\Dedup\\a.dat", "deduplicated");
    files().MakeReparsePoint(kSuite + L"\\Dedup", IO_REPARSE_TAG_DEDUP);
    files().WriteFile(kSuite + L"\\placeholder.dat", "in the cloud");
    files().MakeReparsePoint(kSuite + L"\\placeholder.dat", IO_REPARSE_TAG_CLOUD);
    files().MakeFolders(L"D:\\mvtemp");
    files().MakeReparsePoint(L"D:\\mvtemp", IO_REPARSE_TAG_DEDUP);
    RunCommand(L"/get");
    EXPECT_EQ(files().ReadFile(L"D:\\mvtemp\\MV\\Dedup\\a.dat"), "deduplicated");
    EXPECT_EQ(files().ReadFile(L"D:\\mvtemp\\MV\\placeholder.dat"), "in the cloud");
    files().MakeReparsePoint(L"D:\\mvtemp\\MV\\Dedup", IO_REPARSE_TAG_DEDUP);
    files().Remove(kSuite + L"\\Dedup");
    files().Remove(kSuite + L"\\placeholder.dat");
    RunCommand(L"/set");
    EXPECT_EQ(files().ReadFile(kSuite + L"\\Dedup\\a.dat"), "deduplicated");
    EXPECT_EQ(files().ReadFile(kSuite + L"\\placeholder.dat"), "in the cloud");
    EXPECT_FALSE(files().Exists(L"D:\\mvtemp"));
    EXPECT_FALSE(files().Exists(L"D:\\mvtempbk"));
}
