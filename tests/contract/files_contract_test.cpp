#include "contract.h"

TEST_F(ContractTest, CreateDirectoryFailsOnExistingEntryAndMissingParent) {
    ASSERT_TRUE(CreateDirectoryW(Path(L"a").c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryW(Path(L"a").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    ASSERT_TRUE(WriteBytes(Path(L"f"), "x"));
    EXPECT_FALSE(CreateDirectoryW(Path(L"f").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(CreateDirectoryW(Path(L"missing\\b").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(CreateDirectoryW((Dir() + L"\\\\c\\").c_str(), nullptr)) << "doubled and trailing separators";
}

TEST_F(ContractTest, FindFirstFileOnExactPathFindsFilesAndFolders) {
    ASSERT_TRUE(WriteBytes(Path(L"plain"), "abc"));
    WIN32_FIND_DATAW data;
    FindHandle file(FindFirstFileW(Path(L"plain").c_str(), &data));
    ASSERT_TRUE(file.Valid());
    EXPECT_EQ(std::wstring(data.cFileName), L"plain");
    EXPECT_EQ(data.nFileSizeLow, 3u);
    EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    FindHandle folder(FindFirstFileW(Dir().c_str(), &data));
    ASSERT_TRUE(folder.Valid());
    EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(FindFirstFileW(Path(L"none").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindFirstFileW(Path(L"none\\x").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
}

TEST_F(ContractTest, WildcardSearchListsDotEntriesThenEveryEntryAndEndsWithNoMoreFiles) {
    ASSERT_TRUE(CreateDirectoryW(Path(L"sub").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(Path(L"b.txt"), "b"));
    ASSERT_TRUE(WriteBytes(Path(L"A.txt"), "a"));
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW(Path(L"*").c_str(), &data));
    ASSERT_TRUE(find.Valid());
    std::vector<std::wstring> names{data.cFileName};
    while (FindNextFileW(find.Get(), &data)) names.push_back(data.cFileName);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_FILES));
    find.Reset();
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(names[0], L".");
    EXPECT_EQ(names[1], L"..");
    std::sort(names.begin() + 2, names.end());
    EXPECT_EQ(names[2], L"A.txt");
    EXPECT_EQ(names[3], L"b.txt");
    EXPECT_EQ(names[4], L"sub");
    EXPECT_EQ(FindFirstFileW(Path(L"none\\*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
}

TEST_F(ContractTest, DriveTableReportsDriveDFixedAndCNeverMissing) {
    DWORD mask = GetLogicalDrives();
    EXPECT_NE(mask & (1u << 2), 0u);
    EXPECT_NE(mask & (1u << 3), 0u);
    EXPECT_EQ(GetDriveTypeW(L"D:\\"), UINT(DRIVE_FIXED));
    EXPECT_EQ(GetDriveTypeW(L"C:\\"), UINT(DRIVE_FIXED));
}

TEST_F(ContractTest, RemoveDirectoryRefusesFilesReadOnlyFoldersAndMissingParents) {
    ASSERT_TRUE(WriteBytes(Path(L"f"), "x"));
    EXPECT_FALSE(RemoveDirectoryW(Path(L"f").c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DIRECTORY));
    EXPECT_FALSE(RemoveDirectoryW(Path(L"none\\x").c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    ASSERT_TRUE(CreateDirectoryW(Path(L"ro").c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesW(Path(L"ro").c_str(), FILE_ATTRIBUTE_READONLY));
    BOOL removed = RemoveDirectoryW(Path(L"ro").c_str());
    if (removed && RunningUnderWine()) GTEST_SKIP() << "known gap (Wine): a read-only folder is removed";
    EXPECT_FALSE(removed);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    SetFileAttributesW(Path(L"ro").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Folder creation keeps room for a short (8.3) file name below the new folder: its full path and
// terminator must fit MAX_PATH less 12 characters.
TEST_F(ContractTest, CreateDirectoryKeepsRoomForAShortNameAndRefusesWildcards) {
    const size_t room = 247 - Dir().size() - 1;  // a name that makes the full path 247 characters
    ASSERT_LT(room, 247u);
    BOOL longest = CreateDirectoryW(Path(std::wstring(room, L'a')).c_str(), nullptr);
    BOOL tooLong = CreateDirectoryW(Path(std::wstring(room + 1, L'b')).c_str(), nullptr);
    DWORD tooLongError = GetLastError();
    EXPECT_TRUE(longest);
    EXPECT_FALSE(CreateDirectoryW(Path(L"a*b").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_NAME));
    EXPECT_FALSE(CreateDirectoryW(L"D:\\", nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    if (tooLong && RunningUnderWine()) GTEST_SKIP() << "known gap (Wine): no room is kept for a short name";
    EXPECT_FALSE(tooLong);
    EXPECT_EQ(tooLongError, DWORD(ERROR_FILENAME_EXCED_RANGE));
}

TEST_F(ContractTest, SearchesTellMissingFoldersFromFilesAndMatchNamesWithoutExtension) {
    ASSERT_TRUE(CreateDirectoryW(Path(L"dir").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(Path(L"dir\\noext"), "x"));
    WIN32_FIND_DATAW data;
    struct Case {
        const wchar_t* pattern;
        DWORD error;
        DWORD wine;  // what Wine reports instead
    } cases[] = {{L"dir\\", ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND},
                 {L"none\\", ERROR_PATH_NOT_FOUND, ERROR_FILE_NOT_FOUND},
                 {L"dir\\noext\\*", ERROR_DIRECTORY, ERROR_INVALID_NAME},
                 {L"d*r\\*", ERROR_INVALID_NAME, ERROR_INVALID_NAME}};
    for (const Case& c : cases) {
        EXPECT_EQ(FindFirstFileW(Path(c.pattern).c_str(), &data), INVALID_HANDLE_VALUE) << c.pattern;
        EXPECT_EQ(GetLastError(), RunningUnderWine() ? c.wine : c.error) << c.pattern;
    }
    FindHandle find(FindFirstFileW(Path(L"dir\\*.*").c_str(), &data));
    ASSERT_TRUE(find.Valid());
    std::vector<std::wstring> names{data.cFileName};
    while (FindNextFileW(find.Get(), &data)) names.push_back(data.cFileName);
    EXPECT_EQ(names, (std::vector<std::wstring>{L".", L"..", L"noext"}));
    if (RunningUnderWine()) {
        GTEST_SKIP() << "known gap (Wine): a missing folder with a trailing separator is reported as a missing "
                        "file, and a file searched as a folder as an invalid name";
    }
}
