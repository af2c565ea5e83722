// The simulated profile files where they go beyond what the contract tests can state on the real
// platform: the drive and file conditions that make a write fail, and the two encodings' models.
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/profile.h"
#include "sim_fixture.h"

class SimProfileTest : public SimTest {
protected:
    void SetUp() override {
        drives().Add(L'D', DRIVE_FIXED);
        files().MakeFolders(L"D:\\w");
    }
    std::wstring Read(const wchar_t* key, const wchar_t* file = L"D:\\w\\p.ini") {
        WCHAR buffer[64];
        GetPrivateProfileStringW(L"S", key, L"(none)", buffer, 64, file);
        return buffer;
    }
};

TEST_F(SimProfileTest, WriteFailsOnConditionsOfTheDriveAndTheFile) {
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
        {"read-only file", [](sim::Machine& m) { m.files().Get(L"D:\\w\\p.ini")->attributes |= FILE_ATTRIBUTE_READONLY; },
         ERROR_ACCESS_DENIED},
        {"file in use", [](sim::Machine& m) { m.files().Get(L"D:\\w\\p.ini")->inUse = true; }, ERROR_SHARING_VIOLATION},
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
    EXPECT_FALSE(WritePrivateProfileStringW(L"S", L"K", L"v", L"D:\\w"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED)) << "a folder";
}

TEST_F(SimProfileTest, FileHeldOpenByAnotherProgramReadsAsMissing) {
    files().WriteFile(L"D:\\w\\p.ini", "[S]\r\nK=1\r\n");
    files().Get(L"D:\\w\\p.ini")->inUse = true;
    EXPECT_EQ(Read(L"K"), L"(none)");
}

TEST_F(SimProfileTest, AnsiFileKeepsOneByteCharactersAndTurnsOthersIntoQuestionMarks) {
    ASSERT_TRUE(WritePrivateProfileStringW(L"S", L"K", L"caf\xE9 \x20AC\x4E2D", L"D:\\w\\p.ini"));
    EXPECT_EQ(files().ReadFile(L"D:\\w\\p.ini"), "[S]\r\nK=caf\xE9 ??\r\n");
    EXPECT_EQ(Read(L"K"), L"caf\xE9 ??");
}

TEST_F(SimProfileTest, UnicodeFileCarriesCharactersBeyondTheBasicPlaneAsSurrogatePairs) {
    files().WriteFile(L"D:\\w\\p.ini", "\xFF\xFE");
    const std::wstring text = L"a\x1F600z";
    ASSERT_TRUE(WritePrivateProfileStringW(L"S", L"K", text.c_str(), L"D:\\w\\p.ini"));
    std::string bytes = files().ReadFile(L"D:\\w\\p.ini");
    EXPECT_NE(bytes.find(std::string("a\0\x3D\xD8\x00\xDEz\0", 8)), std::string::npos);
    EXPECT_EQ(Read(L"K"), text);
}

TEST_F(SimProfileTest, KeyIsInsertedAfterTheSectionsLastLineAndBeforeItsBlankLines) {
    files().WriteFile(L"D:\\w\\p.ini", "[S]\r\nA=1\r\n; note\r\n\r\n[T]\r\nB=2");
    ASSERT_TRUE(WritePrivateProfileStringW(L"S", L"C", L"3", L"D:\\w\\p.ini"));
    ASSERT_TRUE(WritePrivateProfileStringW(L"T", L"D", L"4", L"D:\\w\\p.ini"));
    EXPECT_EQ(files().ReadFile(L"D:\\w\\p.ini"), "[S]\r\nA=1\r\n; note\r\nC=3\r\n\r\n[T]\r\nB=2\r\nD=4\r\n");
}
