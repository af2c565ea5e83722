#include "procedures/procedures.h"
#include "quiesce_fixture.h"

TEST_F(QuiesceTest, WindowsThenProcessesThenServices) {
    Run(1, L"mvadmin.exe");
    Run(2, L"tv.exe");
    Window(L"", L"Mirovane /UPnPManager", 2);
    Install(L"MVAdminService");
    StopSuite(env);
    EXPECT_EQ(Terminated(), (std::vector<DWORD>{2, 1}));
    EXPECT_LT(At(L"TerminateProcess 2"), At(L"CreateToolhelp32Snapshot"));
    EXPECT_LT(At(L"TerminateProcess 1"), At(L"OpenSCManagerW 0x1"));
    EXPECT_STREQ(env.m_szLog, "szExeFile=mvadmin.exe, PID=1\r\n");
}

TEST_F(QuiesceTest, NothingOfTheSuiteRunningChangesNothing) {
    Run(4, L"System");
    Run(500, L"explorer.exe");
    Window(L"Shell_TrayWnd", L"", 500);
    Window(L"CabinetWClass", L"Mirovane Recordings", 500);
    Install(L"Spooler");
    StopSuite(env);
    EXPECT_TRUE(Terminated().empty());
    EXPECT_EQ(machine->services().Find(L"Spooler")->state, DWORD(SERVICE_RUNNING));
    EXPECT_EQ(machine->clockMs, 0u);
    EXPECT_STREQ(env.m_szLog, "szExeFile=explorer.exe, PID=500\r\n");
    EXPECT_EQ(machine->OpenHandles(), 0u);
}

TEST_F(QuiesceTest, ProcedureThatFindsNoWorkspaceStopsNothing) {
    Run(1, L"mvadmin.exe");
    RestoreEnvironment(env, Workspace::Primary);
    BackupEnvironment(env, Workspace::Primary);  // only drive C:, where no workspace may be
    EXPECT_TRUE(Terminated().empty());
    drives().Add(L'D', DRIVE_FIXED);
    BackupEnvironment(env, Workspace::Primary);
    EXPECT_EQ(Terminated(), std::vector<DWORD>{1});
}
