#include <string>
#include <vector>

#include "base/environment.h"
#include "sim_fixture.h"

class WorkspaceTest : public SimTest {
protected:
    CEnvironment env;
};

TEST_F(WorkspaceTest, OnlyDriveCGivesNoWorkspace) {
    EXPECT_FALSE(env.FindTempDirectory(Workspace::Primary));
    EXPECT_FALSE(env.CreateTempDirectory(Workspace::Primary));
    EXPECT_EQ(env.m_strTempDirectory, L"");
    EXPECT_STREQ(env.m_szLog, "Create:tempDirectory=\r\n");
    EXPECT_FALSE(files().Exists(L"C:\\mvtemp"));
}

TEST_F(WorkspaceTest, DrivesOfOtherTypesDoNotQualify) {
    drives().Add(L'D', DRIVE_REMOTE);
    drives().Add(L'E', DRIVE_CDROM);
    drives().Add(L'F', DRIVE_RAMDISK);
    drives().Add(L'G', DRIVE_UNKNOWN);
    EXPECT_FALSE(env.CreateTempDirectory(Workspace::Second));
    for (auto path : {L"D:\\mvtempbk", L"E:\\mvtempbk", L"F:\\mvtempbk", L"G:\\mvtempbk"}) {
        EXPECT_FALSE(files().Exists(path)) << path;
    }
}

TEST_F(WorkspaceTest, CreatesOnFirstDriveWhereCreationSucceeds) {
    drives().Add(L'A', DRIVE_REMOVABLE);
    drives()[L'A'].hasMedium = false;
    drives().Add(L'D', DRIVE_REMOVABLE);
    drives()[L'D'].writeProtected = true;
    drives().Add(L'E', DRIVE_FIXED);
    drives().Add(L'F', DRIVE_FIXED);
    EXPECT_TRUE(env.CreateTempDirectory(Workspace::Primary));
    EXPECT_EQ(env.m_strTempDirectory, L"E:\\mvtemp");
    EXPECT_EQ(env.m_strIniFile, L"E:\\mvtemp\\Movendo.ini");
    EXPECT_STREQ(env.m_szLog, "Create:tempDirectory=E:\\mvtemp\r\n");
    EXPECT_TRUE(files().IsFolder(L"E:\\mvtemp"));
    EXPECT_FALSE(files().Exists(L"F:\\mvtemp"));
}

TEST_F(WorkspaceTest, FindsExistingFolderOnLaterDrive) {
    drives().Add(L'D', DRIVE_FIXED);
    drives().Add(L'E', DRIVE_FIXED);
    files().MakeFolders(L"E:\\mvtemp");
    EXPECT_TRUE(env.FindTempDirectory(Workspace::Primary));
    EXPECT_EQ(env.m_strTempDirectory, L"E:\\mvtemp");
    EXPECT_STREQ(env.m_szLog, "Find:tempDirectory=E:\\mvtemp\r\n");
    EXPECT_FALSE(env.FindTempDirectory(Workspace::Second));
    EXPECT_STREQ(env.m_szLog, "Find:tempDirectory=\r\n");
}

TEST_F(WorkspaceTest, FailedSearchKeepsSettingsFilePath) {
    drives().Add(L'D', DRIVE_FIXED);
    files().MakeFolders(L"D:\\mvtemp");
    ASSERT_TRUE(env.FindTempDirectory(Workspace::Primary));
    EXPECT_FALSE(env.FindTempDirectory(Workspace::Second));
    EXPECT_EQ(env.m_strTempDirectory, L"");
    EXPECT_EQ(env.m_strIniFile, L"D:\\mvtemp\\Movendo.ini");
}

TEST_F(WorkspaceTest, PlainFileCountsAsWorkspaceButCDriveNever) {
    drives().Add(L'D', DRIVE_FIXED);
    files().MakeFolders(L"C:\\mvtempbk");
    files().WriteFile(L"D:\\mvtempbk", "not a folder");
    EXPECT_TRUE(env.FindTempDirectory(Workspace::Second));
    EXPECT_EQ(env.m_strTempDirectory, L"D:\\mvtempbk");
}

// The platform asks for a root with its backslash ("D:\\"); every drive is asked in that form.
TEST_F(WorkspaceTest, DriveTypeIsAskedOfTheRoot) {
    drives().Add(L'D', DRIVE_FIXED);
    machine->faults().FailForPath("CreateDirectoryW", L"D:\\mvtemp", ERROR_ACCESS_DENIED);
    drives().Add(L'Z', DRIVE_REMOVABLE);
    EXPECT_TRUE(env.CreateTempDirectory(Workspace::Primary));
    EXPECT_EQ(env.m_strTempDirectory, L"Z:\\mvtemp");
    std::vector<std::wstring> asked;
    for (const auto& call : machine->calls()) {
        if (call.compare(0, 14, L"GetDriveTypeW ") == 0) asked.push_back(call.substr(14));
    }
    EXPECT_EQ(asked, (std::vector<std::wstring>{L"D:\\", L"Z:\\"}));
}
