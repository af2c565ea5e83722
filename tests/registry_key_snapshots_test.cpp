#include <cwchar>
#include <string>
#include <vector>

#include "registry_fixture.h"

namespace {

const wchar_t kIptv[] = L"SOFTWARE\\Tamrix\\Mirovane\\ApInfo\\IPTV";
const wchar_t kIptvFile[] = L"D:\\mvtemp\\IPTV.dat";

}  // namespace

class KeySnapshotsTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        registry().SetDword(HKEY_LOCAL_MACHINE, kIptv, L"Count", 2);
        registry().SetString(HKEY_LOCAL_MACHINE, kIptv, L"Name", L"first");
        registry().SetValue(HKEY_LOCAL_MACHINE, kIptv, L"", REG_BINARY, {1, 2, 3});
        registry().SetString(HKEY_LOCAL_MACHINE, std::wstring(kIptv) + L"\\Ch\\0", L"Url", L"udp://a");
        registry().MakeKey(HKEY_LOCAL_MACHINE, std::wstring(kIptv) + L"\\Empty");
    }
    bool SaveCalled() {
        for (const auto& call : machine->calls()) {
            if (call.rfind(L"RegSaveKeyW", 0) == 0) return true;
        }
        return false;
    }
};

TEST_F(KeySnapshotsTest, RestoreBringsBackTheWholeTreeThatWasSaved) {
    std::vector<std::wstring> saved = registry().Listing();
    env.SaveKeyToFile(L"IPTV.dat", kIptv);
    ASSERT_TRUE(files().Exists(kIptvFile));

    registry().SetDword(HKEY_LOCAL_MACHINE, kIptv, L"Count", 9);
    registry().SetDword(HKEY_LOCAL_MACHINE, kIptv, L"AddedLater", 1);
    registry().SetDword(HKEY_LOCAL_MACHINE, std::wstring(kIptv) + L"\\New\\Deeper", L"X", 1);
    registry().DeleteTree(HKEY_LOCAL_MACHINE, std::wstring(kIptv) + L"\\Ch");
    env.RestoreKeyFromFile(L"IPTV.dat", kIptv);
    EXPECT_EQ(registry().Listing(), saved);
}

// The save needs the backup privilege, the restore both: each is enabled just around its call and
// set back at once, so no file is touched while one is enabled.
TEST_F(KeySnapshotsTest, PrivilegesAreEnabledOnlyAroundTheirCall) {
    env.SaveKeyToFile(L"IPTV.dat", kIptv);
    ASSERT_TRUE(files().Exists(kIptvFile));
    registry().SetDword(HKEY_LOCAL_MACHINE, kIptv, L"AddedLater", 1);
    env.RestoreKeyFromFile(L"IPTV.dat", kIptv);
    EXPECT_EQ(registry().GetValue(HKEY_LOCAL_MACHINE, kIptv, L"AddedLater"), nullptr);
    EXPECT_FALSE(env.m_bRestoreIncomplete);
    EXPECT_FALSE(token().Enabled(SE_BACKUP_NAME));
    EXPECT_FALSE(token().Enabled(SE_RESTORE_NAME));
    EXPECT_TRUE(machine->privilegedFileOperations.empty()) << Narrow(machine->privilegedFileOperations[0]);
}

// The platform makes the file before it looks at the privilege: without it an empty hive file
// stays behind, and restoring from that file changes nothing.
TEST_F(KeySnapshotsTest, TokenWithoutThePrivilegeSavesAndRestoresNothing) {
    token().Hold(SE_BACKUP_NAME, false);
    env.SaveKeyToFile(L"IPTV.dat", kIptv);
    EXPECT_EQ(files().ReadFile(kIptvFile), "");
    registry().SetDword(HKEY_LOCAL_MACHINE, kIptv, L"Count", 9);
    std::vector<std::wstring> changed = registry().Listing();
    env.RestoreKeyFromFile(L"IPTV.dat", kIptv);
    EXPECT_EQ(registry().Listing(), changed);

    files().Remove(kIptvFile);
    token().Hold(SE_BACKUP_NAME, true);
    env.SaveKeyToFile(L"IPTV.dat", kIptv);
    registry().SetDword(HKEY_LOCAL_MACHINE, kIptv, L"Count", 10);
    changed = registry().Listing();
    token().Hold(SE_RESTORE_NAME, false);
    env.RestoreKeyFromFile(L"IPTV.dat", kIptv);
    EXPECT_EQ(registry().Listing(), changed);
}

// Each save is written beside the earlier hive file and replaces it only when whole; a key that
// is gone takes its earlier hive file with it, and no part of a save stays behind.
TEST_F(KeySnapshotsTest, EachSaveReplacesTheEarlierHiveOnlyWhenWhole) {
    files().WriteFile(kIptvFile, "earlier snapshot");
    token().Hold(SE_BACKUP_NAME, false);  // the save fails after making its file
    env.SaveKeyToFile(L"IPTV.dat", kIptv);
    EXPECT_EQ(files().ReadFile(kIptvFile), "earlier snapshot");
    token().Hold(SE_BACKUP_NAME, true);
    env.SaveKeyToFile(L"IPTV.dat", kIptv);
    registry().SetDword(HKEY_LOCAL_MACHINE, kIptv, L"AddedLater", 1);
    env.RestoreKeyFromFile(L"IPTV.dat", kIptv);
    EXPECT_EQ(registry().GetValue(HKEY_LOCAL_MACHINE, kIptv, L"AddedLater"), nullptr);
    EXPECT_EQ(files().CountFiles(L"D:\\mvtemp"), 1u);

    registry().DeleteTree(HKEY_LOCAL_MACHINE, kIptv);
    env.SaveKeyToFile(L"IPTV.dat", kIptv);
    EXPECT_FALSE(files().Exists(kIptvFile));
}

TEST_F(KeySnapshotsTest, MissingKeyGivesNoFileAndIsNeverCreatedByTheRestore) {
    const wchar_t missing[] = L"SOFTWARE\\Tamrix\\Rondisc\\Backup";
    env.SaveKeyToFile(L"Rondisc1.dat", missing);
    EXPECT_FALSE(files().Exists(L"D:\\mvtemp\\Rondisc1.dat"));

    env.SaveKeyToFile(L"Rondisc1.dat", kIptv);  // a hive file is there, but its key is not
    std::vector<std::wstring> before = registry().Listing();
    env.RestoreKeyFromFile(L"Rondisc1.dat", missing);
    EXPECT_EQ(registry().Listing(), before);
}

TEST_F(KeySnapshotsTest, MissingOrDamagedHiveFileLeavesTheKeyUnchanged) {
    std::vector<std::wstring> before = registry().Listing();
    env.RestoreKeyFromFile(L"IPTV.dat", kIptv);
    EXPECT_EQ(registry().Listing(), before);
    files().WriteFile(kIptvFile, "not a hive");
    env.RestoreKeyFromFile(L"IPTV.dat", kIptv);
    EXPECT_EQ(registry().Listing(), before);
}

TEST_F(KeySnapshotsTest, RestoreReplacesTheKeyEvenWhileASubkeyIsHeldOpen) {
    env.SaveKeyToFile(L"IPTV.dat", kIptv);
    registry().SetDword(HKEY_LOCAL_MACHINE, kIptv, L"AddedLater", 1);
    HKEY held = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kIptv) + L"\\Ch").c_str(), 0, KEY_READ, &held),
              ERROR_SUCCESS);
    env.RestoreKeyFromFile(L"IPTV.dat", kIptv);
    EXPECT_EQ(registry().GetValue(HKEY_LOCAL_MACHINE, kIptv, L"AddedLater"), nullptr);
    RegCloseKey(held);
}

TEST_F(KeySnapshotsTest, SaveAsksOnlyForReadingAndRestoreOnlyForWriting) {
    registry().Restrict(HKEY_LOCAL_MACHINE, kIptv, KEY_READ);
    env.SaveKeyToFile(L"IPTV.dat", kIptv);
    EXPECT_TRUE(files().Exists(kIptvFile));
    registry().SetDword(HKEY_LOCAL_MACHINE, kIptv, L"AddedLater", 1);
    env.RestoreKeyFromFile(L"IPTV.dat", kIptv);
    EXPECT_NE(registry().GetValue(HKEY_LOCAL_MACHINE, kIptv, L"AddedLater"), nullptr) << "KEY_WRITE was refused";

    registry().Restrict(HKEY_LOCAL_MACHINE, kIptv, KEY_WRITE);
    env.RestoreKeyFromFile(L"IPTV.dat", kIptv);
    EXPECT_EQ(registry().GetValue(HKEY_LOCAL_MACHINE, kIptv, L"AddedLater"), nullptr);
    files().Remove(kIptvFile);
    env.SaveKeyToFile(L"IPTV.dat", kIptv);
    EXPECT_FALSE(files().Exists(kIptvFile)) << "KEY_READ was refused";
}

TEST_F(KeySnapshotsTest, FailingPrivilegeStepsLeaveTheKeyAloneAndCloseTheToken) {
    for (const char* operation : {"OpenProcessToken", "LookupPrivilegeValueW", "AdjustTokenPrivileges"}) {
        machine->faults().FailOnce(operation, ERROR_ACCESS_DENIED);
        machine->ClearCalls();
        env.SaveKeyToFile(L"IPTV.dat", kIptv);
        EXPECT_FALSE(files().Exists(kIptvFile)) << operation;
        EXPECT_FALSE(files().Exists(std::wstring(kIptvFile) + L".mvpart")) << operation;
        EXPECT_EQ(machine->OpenHandles(), 0u) << operation;
    }
}

// The workspace exists and its path fits (251 characters), but the hive file's would need 260:
// neither direction touches the file whose name a cut path would give ("IPTV.da").
TEST_F(KeySnapshotsTest, HiveFilePathThatWouldNotFitIsSkippedInBothDirections) {
    std::wstring longWorkspace = L"D:\\" + std::wstring(248, L'w');
    files().MakeFolders(longWorkspace);
    env.SaveKeyToFile(L"IPTV.dat", kIptv);
    files().WriteFile(longWorkspace + L"\\IPTV.da", files().ReadFile(kIptvFile));
    registry().SetDword(HKEY_LOCAL_MACHINE, kIptv, L"AddedLater", 1);
    std::vector<std::wstring> before = registry().Listing();
    env.m_strTempDirectory = longWorkspace;
    ASSERT_EQ(env.m_strTempDirectory.size() + std::wcslen(L"\\IPTV.dat"), size_t(MAX_PATH));
    machine->ClearCalls();
    env.RestoreKeyFromFile(L"IPTV.dat", kIptv);
    EXPECT_EQ(registry().Listing(), before);
    files().Remove(longWorkspace + L"\\IPTV.da");
    env.SaveKeyToFile(L"IPTV.dat", kIptv);
    EXPECT_FALSE(SaveCalled());
    EXPECT_EQ(files().CountFiles(longWorkspace), 0u);
}
