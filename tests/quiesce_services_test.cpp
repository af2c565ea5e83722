#include "quiesce_fixture.h"

TEST_F(QuiesceTest, OnlyTheInstalledServiceIsStopped) {
    sim::Service& second = Install(L"MVAdminService64");
    sim::Service& other = Install(L"Spooler");
    StopSuiteServices();
    EXPECT_EQ(second.state, DWORD(SERVICE_STOPPED));
    EXPECT_EQ(second.controls, std::vector<DWORD>{SERVICE_CONTROL_STOP});
    EXPECT_EQ(second.openedWith, std::vector<DWORD>{0x37});
    EXPECT_EQ(machine->services().managerOpenedWith, std::vector<DWORD>{1});
    EXPECT_EQ(Calls(L"OpenServiceW MVAdminService 0x37"), 1);
    EXPECT_EQ(other.state, DWORD(SERVICE_RUNNING));
    EXPECT_EQ(machine->OpenHandles(), 0u);
}

TEST_F(QuiesceTest, RefusedFirstServiceDoesNotKeepTheSecondRunning) {
    Install(L"MVAdminService").acceptsStop = false;
    Install(L"MVAdminService64");
    StopSuiteServices();
    EXPECT_LT(At(L"ControlService MVAdminService 1"), At(L"ControlService MVAdminService64 1"));
    EXPECT_EQ(machine->services().Find(L"MVAdminService")->state, DWORD(SERVICE_RUNNING));
    EXPECT_EQ(machine->services().Find(L"MVAdminService64")->state, DWORD(SERVICE_STOPPED));

    machine->services().Find(L"MVAdminService")->grantable = SERVICE_QUERY_STATUS | SERVICE_STOP;
    machine->services().Find(L"MVAdminService64")->state = SERVICE_RUNNING;
    StopSuiteServices();
    EXPECT_EQ(machine->services().Find(L"MVAdminService")->openedWith.size(), 1u);
    EXPECT_EQ(machine->services().Find(L"MVAdminService64")->controls.size(), 2u);
    EXPECT_EQ(machine->OpenHandles(), 0u);
}

TEST_F(QuiesceTest, ManagerThatCannotBeOpenedEndsTheStep) {
    Install(L"MVAdminService");
    machine->services().managerGrantable = 0;
    StopSuiteServices();
    EXPECT_EQ(machine->calls(), std::vector<std::wstring>{L"OpenSCManagerW 0x1"});
    EXPECT_EQ(machine->services().Find(L"MVAdminService")->state, DWORD(SERVICE_RUNNING));
}

// A stop takes its time: each service is waited for while its checkpoint advances within its wait
// hint, never beyond 30 s for the whole step, and one that stops advancing is left.
TEST_F(QuiesceTest, ServicesThatStopSlowlyAreWaitedForWithinTheirHintsAndThirtySeconds) {
    sim::Service& slow = Install(L"MVAdminService");
    slow.stopMs = 4000, slow.waitHintMs = 1000;
    Install(L"MVAdminService64");
    StopSuiteServices();
    EXPECT_EQ(slow.state, DWORD(SERVICE_STOPPED));
    EXPECT_GE(machine->clockMs, 4000u);
    EXPECT_LT(machine->clockMs, 4200u);
    slow.state = SERVICE_RUNNING, slow.stopMs = 100000, slow.waitHintMs = 60000;
    machine->clockMs = 0;
    StopSuiteServices();
    EXPECT_EQ(slow.state, DWORD(SERVICE_STOP_PENDING)) << "not reported, only not waited for longer";
    EXPECT_EQ(machine->clockMs, 30000u);
    EXPECT_EQ(machine->OpenHandles(), 0u);
}
