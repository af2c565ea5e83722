// The simulated machine's file operations where the real platform cannot be set up to show them
// (locked files, full or write-protected drives, links), and its path rules.
#include "files_fixture.h"
#include "platform/handles.h"

class FilePlatformTest : public FilesTest {
protected:
    BOOL Copy(const std::wstring& from, const std::wstring& to, BOOL failIfExists = FALSE) {
        return CopyFileW(from.c_str(), to.c_str(), failIfExists);
    }
    HANDLE Open(const std::wstring& path, DWORD access, DWORD share) {
        return CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
    }
};

TEST_F(FilePlatformTest, CopyFollowsTheSharingOfOpenFiles) {
    files().WriteFile(L"D:\\src", "new");
    files().WriteFile(L"D:\\dst", "old");
    {
        KernelHandle reader(Open(L"D:\\src", GENERIC_READ, FILE_SHARE_WRITE));  // does not share reading
        EXPECT_FALSE(Copy(L"D:\\src", L"D:\\dst"));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    }
    {
        KernelHandle writer(Open(L"D:\\src", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ));
        EXPECT_TRUE(Copy(L"D:\\src", L"D:\\dst"));
    }
    {
        KernelHandle writer(Open(L"D:\\dst", GENERIC_WRITE, FILE_SHARE_READ));  // does not share writing
        EXPECT_FALSE(Copy(L"D:\\src", L"D:\\dst"));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
        EXPECT_FALSE(DeleteFileW(L"D:\\dst"));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    }
    files().Get(L"D:\\src")->inUse = true;  // another program holds it
    EXPECT_FALSE(Copy(L"D:\\src", L"D:\\other"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(files().Exists(L"D:\\other"));
    EXPECT_FALSE(Copy(L"D:\\dst", L"D:\\dst"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(machine->OpenHandles(), 0u);
}

TEST_F(FilePlatformTest, CopyFailsOnFullProtectedOrEmptyDrivesAndOnFolders) {
    files().WriteFile(L"C:\\src", std::string(100, 'x'));
    files().WriteFile(L"D:\\dst", "old");
    drives()[L'D'].freeBytes = 96;  // the old copy's 3 bytes come back, 99 is not 100
    EXPECT_FALSE(Copy(L"C:\\src", L"D:\\dst"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DISK_FULL));
    EXPECT_EQ(files().ReadFile(L"D:\\dst"), std::string(99, 'x')) << "the partial destination stays, the old one is lost";
    EXPECT_EQ(drives()[L'D'].freeBytes, 0u);
    files().Remove(L"D:\\dst");
    drives()[L'D'].freeBytes = 100;
    EXPECT_TRUE(Copy(L"C:\\src", L"D:\\dst"));
    drives()[L'D'].writeProtected = true;
    EXPECT_FALSE(Copy(L"C:\\src", L"D:\\new"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_WRITE_PROTECT));
    drives()[L'D'].hasMedium = false;
    EXPECT_FALSE(Copy(L"C:\\src", L"D:\\new"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_READY));
    files().MakeFolders(L"C:\\folder");
    EXPECT_FALSE(Copy(L"C:\\folder", L"C:\\copy"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(Copy(L"C:\\src", L"C:\\folder"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(Copy(L"C:\\missing", L"C:\\copy"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(Copy(L"C:\\src", L"C:\\missing\\copy"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
}

TEST_F(FilePlatformTest, AHiddenDestinationIsReplacedOnlyByAHiddenFileAndTheTimeTravelsWithTheCopy) {
    files().WriteFile(L"D:\\plain", "p");
    auto hidden = files().WriteFile(L"D:\\hidden", "h", FILE_ATTRIBUTE_HIDDEN);
    files().WriteFile(L"D:\\dst", "d", FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(Copy(L"D:\\plain", L"D:\\dst"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(Copy(L"D:\\hidden", L"D:\\dst"));
    EXPECT_EQ(files().Get(L"D:\\dst")->writeTime, hidden->writeTime);
}

TEST_F(FilePlatformTest, LinksAreDeletedAsLinksAndFoldersOnlyWhenEmpty) {
    files().WriteFile(L"E:\\Target\\a", "a");
    files().MakeLink(L"D:\\junction", L"E:\\Target");
    files().MakeFileLink(L"D:\\file-link", L"E:\\Target\\a");
    EXPECT_FALSE(DeleteFileW(L"D:\\junction"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(Copy(L"D:\\file-link", L"D:\\copy")) << "a copy of a file link reads its target";
    EXPECT_EQ(files().ReadFile(L"D:\\copy"), "a");
    EXPECT_TRUE(DeleteFileW(L"D:\\file-link"));
    EXPECT_TRUE(RemoveDirectoryW(L"D:\\junction"));
    EXPECT_EQ(files().ReadFile(L"E:\\Target\\a"), "a");
    EXPECT_FALSE(RemoveDirectoryW(L"E:\\Target"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DIR_NOT_EMPTY));
    EXPECT_FALSE(RemoveDirectoryW(L"D:\\copy"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DIRECTORY));
    files().MakeFolders(L"D:\\ro")->attributes |= FILE_ATTRIBUTE_READONLY;
    EXPECT_FALSE(RemoveDirectoryW(L"D:\\ro"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(RemoveDirectoryW(L"D:\\none\\x"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
}

TEST_F(FilePlatformTest, FolderCreationKeepsRoomForAShortName) {
    std::wstring at247 = L"D:\\" + std::wstring(244, L'a');
    std::wstring at248 = L"D:\\" + std::wstring(245, L'b');
    EXPECT_TRUE(CreateDirectoryW(at247.c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryW(at248.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_FALSE(CreateDirectoryW(L"D:\\a*b", nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_NAME));
    EXPECT_FALSE(CreateDirectoryW(L"D:\\", nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
}

TEST_F(FilePlatformTest, SearchesTellMissingFoldersFromFilesAndFollowLinksOnTheWay) {
    files().WriteFile(L"D:\\dir\\noext", "x");
    files().MakeLink(L"D:\\link", L"D:\\dir");
    WIN32_FIND_DATAW data;
    struct Case {
        LPCWSTR pattern;
        DWORD error;
    } cases[] = {{L"D:\\dir\\", ERROR_FILE_NOT_FOUND}, {L"D:\\none\\", ERROR_PATH_NOT_FOUND},
                 {L"D:\\dir\\noext\\*", ERROR_DIRECTORY}, {L"D:\\d*r\\*", ERROR_INVALID_NAME}};
    for (const auto& c : cases) {
        EXPECT_EQ(FindFirstFileW(c.pattern, &data), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error);
    }
    FindHandle find(FindFirstFileW(L"D:\\link\\*.*", &data));
    ASSERT_TRUE(find.Valid());
    Names names{data.cFileName};
    while (FindNextFileW(find.Get(), &data)) names.push_back(data.cFileName);
    EXPECT_EQ(names, (Names{L".", L"..", L"noext"}));
}

TEST_F(FilePlatformTest, KnownFolderLookUpsFailWhenMadeToOrWhenTheFolderIsMissing) {
    WCHAR path[MAX_PATH];
    machine->knownFolders().failures[CSIDL_LOCAL_APPDATA] = E_FAIL;
    EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path), E_FAIL);
    files().Remove(L"C:\\ProgramData");
    EXPECT_TRUE(FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)));
    EXPECT_EQ(std::wstring(path), L"C:\\ProgramData");
}
