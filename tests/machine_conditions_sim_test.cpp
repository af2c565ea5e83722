// What the platform does under conditions of the machine that the contract tests cannot set up on
// a real one: a write-protected, full or empty drive, links, and a known folder that is missing.
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/platform.h"
#include "platform/sim/registry.h"
#include "platform/sim/token.h"
#include "sim_fixture.h"

class MachineConditionsTest : public SimTest {
protected:
    void SetUp() override {
        drives().Add(L'D', DRIVE_FIXED);
        drives().Add(L'E', DRIVE_FIXED);
    }
};

TEST_F(MachineConditionsTest, CopyFailsOnAFullAProtectedAndAnEmptyDrive) {
    files().WriteFile(L"C:\\src", std::string(100, 'x'));
    files().WriteFile(L"D:\\dst", "old");
    drives()[L'D'].freeBytes = 96;  // the old copy's 3 bytes come back, 99 is not 100
    EXPECT_FALSE(CopyFileW(L"C:\\src", L"D:\\dst", FALSE));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DISK_FULL));
    EXPECT_EQ(files().ReadFile(L"D:\\dst"), std::string(99, 'x')) << "the partial destination stays, the old one is lost";
    EXPECT_EQ(drives()[L'D'].freeBytes, 0u);
    drives()[L'D'].freeBytes = 100;
    drives()[L'D'].writeProtected = true;
    EXPECT_FALSE(CopyFileW(L"C:\\src", L"D:\\new", FALSE));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_WRITE_PROTECT));
    drives()[L'D'].hasMedium = false;
    EXPECT_FALSE(CopyFileW(L"C:\\src", L"D:\\new", FALSE));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_READY));
    EXPECT_FALSE(files().Exists(L"D:\\new"));
}

TEST_F(MachineConditionsTest, ProfileWriteFailsOnAProtectedFullOrEmptyDrive) {
    struct Case {
        const char* what;
        void (*make)(sim::Machine&);
        DWORD error;
        const char* left = "[S]\r\nK=1\r\n";  // the file after the failed write
    };
    const Case cases[] = {
        {"write-protected", [](sim::Machine& m) { m.drives()[L'D'].writeProtected = true; }, ERROR_WRITE_PROTECT},
        {"no medium", [](sim::Machine& m) { m.drives()[L'D'].hasMedium = false; }, ERROR_NOT_READY},
        // The file is written again from its start and cut where the room ran out.
        {"disk full", [](sim::Machine& m) { m.drives()[L'D'].freeBytes = 0; }, ERROR_DISK_FULL, "[S]\r\nK=a l"},
    };
    for (const Case& c : cases) {
        sim::ScopedMachine fresh;
        fresh->drives().Add(L'D', DRIVE_FIXED);
        auto file = fresh->files().WriteFile(L"D:\\w\\p.ini", "[S]\r\nK=1\r\n");
        c.make(*fresh);
        EXPECT_FALSE(WritePrivateProfileStringW(L"S", L"K", L"a longer value", L"D:\\w\\p.ini")) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
        EXPECT_EQ(std::string(file->data.begin(), file->data.end()), c.left) << c.what;
    }
}

TEST_F(MachineConditionsTest, HiveSaveFailsOnAProtectedDriveAndLeavesAnEmptyFileOnAFullOne) {
    LUID backup;
    ASSERT_TRUE(sim::Token::Lookup(SE_BACKUP_NAME, backup));
    machine->token().privileges[backup.LowPart].enabled = true;
    machine->registry().SetValue(HKEY_LOCAL_MACHINE, L"S", L"Big", REG_BINARY, std::vector<uint8_t>(100));
    RegKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"S", 0, KEY_READ, key.Receive()), ERROR_SUCCESS);
    files().MakeFolders(L"D:\\w");
    drives()[L'D'].freeBytes = 50;
    EXPECT_EQ(RegSaveKeyW(key.Get(), L"D:\\w\\s.dat", nullptr), ERROR_DISK_FULL);
    EXPECT_TRUE(files().Exists(L"D:\\w\\s.dat"));
    EXPECT_EQ(files().ReadFile(L"D:\\w\\s.dat"), "") << "made, then left empty";
    drives()[L'D'].writeProtected = true;
    EXPECT_EQ(RegSaveKeyW(key.Get(), L"D:\\w\\t.dat", nullptr), ERROR_WRITE_PROTECT);
    EXPECT_FALSE(files().Exists(L"D:\\w\\t.dat"));
}

TEST_F(MachineConditionsTest, LinksAreDeletedAsLinksAndFollowedBySearchesAndCopies) {
    files().WriteFile(L"E:\\Target\\a", "a");
    files().MakeLink(L"D:\\junction", L"E:\\Target");
    files().MakeFileLink(L"D:\\file-link", L"E:\\Target\\a");
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW(L"D:\\junction\\*.*", &data));
    ASSERT_TRUE(find.Valid());
    std::vector<std::wstring> names{data.cFileName};
    while (FindNextFileW(find.Get(), &data)) names.push_back(data.cFileName);
    find.Reset();
    EXPECT_EQ(names, (std::vector<std::wstring>{L".", L"..", L"a"}));
    EXPECT_FALSE(DeleteFileW(L"D:\\junction"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(CopyFileW(L"D:\\file-link", L"D:\\copy", FALSE)) << "a copy of a file link reads its target";
    EXPECT_EQ(files().ReadFile(L"D:\\copy"), "a");
    EXPECT_TRUE(DeleteFileW(L"D:\\file-link"));
    EXPECT_TRUE(RemoveDirectoryW(L"D:\\junction")) << "the link goes, whatever its target holds";
    EXPECT_EQ(files().ReadFile(L"E:\\Target\\a"), "a");
}

TEST_F(MachineConditionsTest, KnownFolderThatIsMissingFailsItsLookUpAndStillGivesItsPath) {
    WCHAR path[MAX_PATH];
    files().Remove(L"C:\\ProgramData");
    EXPECT_TRUE(FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)));
    EXPECT_EQ(std::wstring(path), L"C:\\ProgramData");
}
