// What a run relies on under hostile conditions: a named mutex tells a second opener that it
// exists, and a rename replaces an existing file only when asked to.
#include "contract.h"

TEST_F(ContractTest, ANamedMutexTellsTheSecondOpenerThatItExists) {
    const wchar_t name[] = L"Global\\MovendoContract.Mutex";
    HANDLE first = CreateMutexW(nullptr, FALSE, name);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    HANDLE second = CreateMutexW(nullptr, FALSE, name);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    CloseHandle(second);
    CloseHandle(first);
    HANDLE again = CreateMutexW(nullptr, FALSE, name);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS)) << "the name ends with its last handle";
    CloseHandle(again);
}

TEST_F(ContractTest, MoveFileExReplacesAnExistingFileOnlyWhenAsked) {
    ASSERT_TRUE(WriteBytes(Path(L"new"), "whole copy"));
    ASSERT_TRUE(WriteBytes(Path(L"dst"), "old"));
    EXPECT_FALSE(MoveFileExW(Path(L"new").c_str(), Path(L"dst").c_str(), 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(ReadBytes(Path(L"dst")), "old");
    EXPECT_TRUE(MoveFileExW(Path(L"new").c_str(), Path(L"dst").c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(ReadBytes(Path(L"dst")), "whole copy");
    EXPECT_EQ(GetFileAttributesW(Path(L"new").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(MoveFileExW(Path(L"dst").c_str(), Path(L"moved").c_str(), 0)) << "a free name needs no flag";
    EXPECT_EQ(ReadBytes(Path(L"moved")), "whole copy");
}
