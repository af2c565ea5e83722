#include "quiesce_fixture.h"

typedef std::vector<DWORD> Ids;

TEST_F(QuiesceTest, EveryOwnerOfMatchingWindowsIsTerminatedInTurn) {
    for (DWORD id : {100, 200, 300, 400}) Run(id, L"p.exe");
    Window(L"MvUI Window Class", L"MvUI Window", 100);
    Window(L"mvui window class", L"MVUI WINDOW", 200);  // classes and titles compare without case
    Window(L"Other Class", L"MvUI Window", 300);
    Window(L"MvUI Window Class", L"MvUI Window 2", 400);
    TerminateWindowOwners(L"MvUI Window Class", L"MvUI Window");
    EXPECT_EQ(Terminated(), (Ids{200, 100}));  // from the top window down
    EXPECT_EQ(Calls(L"OpenProcess 200 0x1FFFFF"), 1);
    EXPECT_EQ(machine->processes().Find(200)->exitCode, 0u);
    EXPECT_EQ(FindWindowW(L"MvUI Window Class", L"MvUI Window"), nullptr);
    EXPECT_EQ(machine->OpenHandles(), 0u);
}

TEST_F(QuiesceTest, RowsWithoutClassMatchTitleOfAnyClassAndRowsRunInOrder) {
    const LPCWSTR titles[] = {L"Mirovane", L"MvUI Window", L"Mirovane Digital Tuner Control", L"Kodrel", L"IKodrel"};
    const LPCWSTR classes[] = {L"Mirovane BS MainWindow", L"MvUI Window Class",
                               L"Mirovane Digital Tuner Control MainWindow", L"Kodrel", L"IKodrel"};
    Run(70, L"upnp.exe");
    Window(L"#32770", L"Mirovane /UPnPManager", 70);
    Run(60, L"sche.exe");
    Window(L"AnyClass", L"Mv/Sche", 60);
    for (DWORD row = 5; row >= 1; --row) {
        Run(row * 10, L"w.exe");
        Window(classes[row - 1], titles[row - 1], row * 10);
    }
    Run(80, L"x.exe");
    Window(L"AnyClass", L"Mv/Sche (2)", 80);
    Window(L"Kodrel", L"Mirovane", 80);
    StopSuite(env);
    EXPECT_EQ(Terminated(), (Ids{10, 20, 30, 40, 50, 60, 70}));
}

// The owner of a window that cannot be ended is tried three times, then the next row runs.
TEST_F(QuiesceTest, WindowThatNeverGoesAwayEndsItsRowWithinBound) {
    Run(1, L"locked.exe").canOpen = false;
    Run(2, L"stubborn.exe").canTerminate = false;
    Run(3, L"slow.exe").endDelayMs = sim::kNever;
    Run(4, L"ghost.exe");
    Window(L"", L"Mv/Sche", 1);
    Window(L"Kodrel", L"Kodrel", 2);
    Window(L"IKodrel", L"IKodrel", 3);
    Window(L"", L"Mirovane /UPnPManager", 4).outlivesOwner = true;
    Run(9, L"ui.exe");
    Window(L"MvUI Window Class", L"MvUI Window", 9);
    StopSuite(env);
    for (DWORD id : {1, 2, 3, 4}) EXPECT_EQ(Calls(L"OpenProcess " + std::to_wstring(id) + L" 0x1FFFFF"), 3) << id;
    EXPECT_EQ(Terminated(), (Ids{9, 3, 4}));
    EXPECT_EQ(machine->clockMs, 6u * 500);  // the waits on the two owners that do not end time out
    EXPECT_EQ(machine->OpenHandles(), 0u);
}

TEST_F(QuiesceTest, WindowsThatKeepComingBackEndTheRowAfterSixteenAttempts) {
    for (DWORD id = 1; id <= 20; ++id) {
        Run(id, L"respawn.exe").endDelayMs = 700;  // each window survives one wait
        Window(L"Mirovane BS MainWindow", L"Mirovane", id);
    }
    TerminateWindowOwners(L"Mirovane BS MainWindow", L"Mirovane");
    EXPECT_EQ(Terminated(), (Ids{20, 19, 18, 17, 16, 15, 14, 13}));
    EXPECT_EQ(machine->clockMs, 8u * 700);
}
