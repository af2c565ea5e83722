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

// A stop takes its time, and the service alone says when it is over: it is waited for while it
// reports its stop pending, whatever its checkpoint and wait hint, polled at least every 100 ms
// and never beyond 30 s for the whole step. Its stop's action lands before the step ends.
TEST_F(QuiesceTest, ServicesAreWaitedForWhileTheyReportTheirStopPendingWithinThirtySeconds) {
    struct Shape {
        const char* what;
        DWORD state, stopMs, waitHintMs;
        uint64_t runsAtMs;
        uint64_t stoppedBy;  // the clock when the step ends; 0: still stop pending after 30 s
    } shapes[] = {
        {"stop pending once, wait hint 0, three seconds", SERVICE_RUNNING, 3050, 0, 0, 3100},
        {"a wait hint of 20 s polls every second", SERVICE_RUNNING, 3050, 20000, 0, 4000},
        {"already stopping when the step comes", SERVICE_STOP_PENDING, 0, 0, 0, 2000},
        {"still starting, asked again", SERVICE_START_PENDING, 3050, 0, 1000, 4100},
        {"longer than the step", SERVICE_RUNNING, 40000, 0, 0, 0},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.what);
        machine->clockMs = 0;
        machine->services().list.clear();
        sim::Service& slow = Install(L"MVAdminService");
        slow.state = shape.state, slow.stopMs = shape.stopMs, slow.waitHintMs = shape.waitHintMs, slow.runsAtMs = shape.runsAtMs;
        if (shape.state == SERVICE_STOP_PENDING) slow.checkPoint = 1, slow.stopsAtMs = 2000;
        int saved = 0;
        slow.atStop = [&] { ++saved; };
        Install(L"MVAdminService64");
        StopSuiteServices();
        EXPECT_EQ(machine->services().Find(L"MVAdminService64")->state, DWORD(SERVICE_STOPPED));
        EXPECT_EQ(machine->OpenHandles(), 0u);
        if (shape.stoppedBy == 0) {
            EXPECT_EQ(slow.state, DWORD(SERVICE_STOP_PENDING)) << "not reported, only not waited for longer";
            EXPECT_EQ(machine->clockMs, 30000u);
            continue;
        }
        EXPECT_EQ(slow.state, DWORD(SERVICE_STOPPED));
        EXPECT_EQ(saved, 1);
        EXPECT_EQ(machine->clockMs, shape.stoppedBy);
    }
}
