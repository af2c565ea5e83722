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
