#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/command.h"
#include "sim_fixture.h"

TEST(CommandLineTail, SkipsProgramNameAndBlanks) {
    EXPECT_EQ(std::wstring(CommandLineTail(L"Movendo.exe /get")), L"/get");
    EXPECT_EQ(std::wstring(CommandLineTail(L"Movendo.exe    \t/get")), L"/get");
    EXPECT_EQ(std::wstring(CommandLineTail(L"Movendo.exe /get ")), L"/get ");
    EXPECT_EQ(std::wstring(CommandLineTail(L"\"C:\\Program Files\\Movendo.exe\" /set")), L"/set");
    EXPECT_EQ(std::wstring(CommandLineTail(L"C:\\a\"b c\"d.exe /set")), L"/set");
    EXPECT_EQ(std::wstring(CommandLineTail(L"Movendo.exe \"/get\"")), L"\"/get\"");
    EXPECT_EQ(std::wstring(CommandLineTail(L"Movendo.exe")), L"");
    EXPECT_EQ(std::wstring(CommandLineTail(L"")), L"");
}

class CommandTest : public SimTest {
protected:
    void SetUp() override { drives().Add(L'D', DRIVE_FIXED); }
    std::vector<std::wstring> CreatedFolders() {
        std::vector<std::wstring> created;
        for (const auto& call : machine->calls()) {
            bool workspace = call == L"CreateDirectoryW D:\\mvtemp" || call == L"CreateDirectoryW D:\\mvtempbk";
            if (workspace && std::find(created.begin(), created.end(), call.substr(17)) == created.end()) {
                created.push_back(call.substr(17));
            }
        }
        return created;
    }
};

TEST_F(CommandTest, GetBacksUpSecondWorkspaceFirst) {
    RunCommand(L"/get");
    EXPECT_EQ(CreatedFolders(), (std::vector<std::wstring>{L"D:\\mvtempbk", L"D:\\mvtemp"}));
}

TEST_F(CommandTest, OnlyTheExactTailsRun) {
    for (auto tail : {L"", L"/get ", L"/GET", L"/Set", L"\"/get\"", L"/get /set", L"get", L" /get"}) {
        RunCommand(tail);
        EXPECT_TRUE(CreatedFolders().empty()) << "tail: [" << std::string(tail, tail + std::wcslen(tail)) << "]";
        EXPECT_FALSE(files().Exists(L"D:\\mvtemp"));
    }
}

TEST_F(CommandTest, SetNeverCreatesAWorkspace) {
    RunCommand(L"/set");
    EXPECT_FALSE(files().Exists(L"D:\\mvtemp"));
    EXPECT_FALSE(files().Exists(L"D:\\mvtempbk"));
}
