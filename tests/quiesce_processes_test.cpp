#include <cstring>

#include "platform/sim/token.h"
#include "quiesce_fixture.h"

typedef std::vector<DWORD> Ids;

// The suite's processes of another account and of SYSTEM are ended too; the privilege that opens
// them is enabled only around each open.
TEST_F(QuiesceTest, SuiteNamesMatchInAnyCapitalisationAndNothingElseMatches) {
    Run(10, L"MVADMIN.EXE").user = L"S-1-5-21-1-2-3-1002";
    Run(20, L"mvadmin.exe.bak");
    Run(30, L"xmvadmin.exe");
    Run(40, L"mvadmin.exe ");
    Run(50, L"mvadmin.com");
    Run(60, L"BrixHost.exe").user = L"S-1-5-18";
    Run(70, L"Explorer.EXE");
    TerminateSuiteProcesses(env);
    EXPECT_EQ(Terminated(), (Ids{10, 60}));
    EXPECT_FALSE(machine->token().Enabled(L"SeDebugPrivilege"));
    EXPECT_EQ(Calls(L"OpenProcess 60 0x1FFFFF"), 1);
    EXPECT_STREQ(env.m_szLog, "szExeFile=explorer.exe, PID=70\r\n");
    EXPECT_EQ(machine->OpenHandles(), 0u);
    TerminateIfSuiteProcess("MVADMIN.EXE", 70);  // the name must come lowercased
    EXPECT_EQ(Terminated(), (Ids{10, 60}));
}

TEST_F(QuiesceTest, ProcessThatEndedBeforeItIsOpenedIsSkipped) {
    Run(10, L"mvadmin.exe").exitsAfterSnapshot = true;
    Run(20, L"brixhost.exe");
    TerminateSuiteProcesses(env);
    EXPECT_EQ(Calls(L"OpenProcess 10 0x1FFFFF"), 1);
    EXPECT_EQ(Terminated(), (Ids{20}));
    EXPECT_EQ(machine->OpenHandles(), 0u);
}

TEST_F(QuiesceTest, OverLongNameIsCutInTheTraceOnly) {
    Run(4, L"MVADMIN.EXE");
    Run(123456, std::wstring(240, L'A') + L".exe");
    TerminateSuiteProcesses(env);
    EXPECT_EQ(std::string(env.m_szLog), "szExeFile=" + std::string(235, 'a') + ", PID=123456\r\n");
    EXPECT_EQ(Terminated(), (Ids{4}));
}

TEST_F(QuiesceTest, TwoByteNameIsCutBetweenCharacters) {
    Run(5, std::wstring(200, L'\x30C6'));  // 400 bytes in the Japanese narrow set
    TerminateSuiteProcesses(env);
    std::string character;
    sim::EncodeNarrow(machine->text(), L'\x30C6', character);
    ASSERT_EQ(character.size(), 2u);
    std::string name;
    for (int i = 0; i < 120; ++i) name += character;
    EXPECT_EQ(std::string(env.m_szLog), "szExeFile=" + name + ", PID=5\r\n");
}

// The locale is selected before the first name is made narrow, so a Japanese first name is
// converted; a name that has no representation becomes empty and matches nothing.
TEST_F(QuiesceTest, NamesAreMadeNarrowInTheJapaneseLocale) {
    Run(8, L"\x30C6\x30EC\x30D3.exe");
    TerminateSuiteProcesses(env);
    std::string expected;
    for (wchar_t ch : std::wstring(L"\x30C6\x30EC\x30D3.exe")) sim::EncodeNarrow(machine->text(), ch, expected);
    EXPECT_EQ(std::string(env.m_szLog), "szExeFile=" + expected + ", PID=8\r\n");
    EXPECT_EQ(machine->text().locale, "Japanese_Japan.932");

    Run(9, L"MVADMIN.EXE\x00C9");
    TerminateSuiteProcesses(env);
    EXPECT_STREQ(env.m_szLog, "szExeFile=, PID=9\r\n");
    EXPECT_TRUE(Terminated().empty());
}

TEST_F(QuiesceTest, LocaleStaysWhenNoProcessIsRead) {
    std::strcpy(env.m_szLog, "before");
    TerminateSuiteProcesses(env);  // empty snapshot
    Run(10, L"mvadmin.exe");
    machine->faults().FailOnce("Process32FirstW", ERROR_ACCESS_DENIED);
    TerminateSuiteProcesses(env);
    machine->faults().FailOnce("CreateToolhelp32Snapshot", ERROR_ACCESS_DENIED);
    TerminateSuiteProcesses(env);
    EXPECT_EQ(machine->text().locale, "C");
    EXPECT_STREQ(env.m_szLog, "before");
    EXPECT_TRUE(Terminated().empty());
    EXPECT_EQ(machine->OpenHandles(), 0u);
}
