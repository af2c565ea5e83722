#include "base/whole_copy.h"
#include "files/stale_entries.h"
#include "files_fixture.h"

class MirrorTest : public FilesTest {};

TEST_F(MirrorTest, SuiteDataLeavesOutItsSixNamesAtEveryDepthInAnyCase) {
    for (auto name : {L"a.txt", L"Movendo.ini", L"checksum.DAT", L"IPTV.dat", L"BREVISTO.dat", L"HDD.dat",
                      L"VideoFolder.dat", L"Data\\videofolder.DAT", L"Data\\keep.bin", L"Data\\Old\\hdd.dat",
                      L"Data\\Old\\Movendo.INI.bak"}) {
        files().WriteFile(kSuite + L"\\" + name, "x");
    }
    env.CopySuiteDataToWorkspace(L"");
    EXPECT_EQ(Tree(kWorkspace + L"\\MV"),
              (Names{L"Data\\", L"Data\\Old\\", L"Data\\Old\\Movendo.INI.bak", L"Data\\keep.bin", L"a.txt"}));
    EXPECT_EQ(machine->OpenHandles(), 0u);
}

TEST_F(MirrorTest, CompanionDataCarriesOnlyItsNamesWhereverTheyLie) {
    for (auto name : {L"AccountData.xml", L"other.xml", L"Sub\\CONFIGDATA.XML", L"Sub\\Deep\\taghistorydata.xml",
                      L"ConfigData.xml\\inner.txt", L"ViewData.xml"}) {
        files().WriteFile(kCommon + L"\\" + name, "x");
    }
    for (auto name : {L"FilterData.xml", L"viewdata.XML", L"AccountData.xml", L"Cache\\other.bin"}) {
        files().WriteFile(kLocal + L"\\" + name, "x");
    }
    files().MakeFolders(kLocal + L"\\Cache\\Empty");
    env.CopyParlunetCommonDataToWorkspace(L"");
    env.CopyParlunetLocalDataToWorkspace(L"");
    EXPECT_EQ(Tree(kWorkspace + L"\\tw1"), (Names{L"AccountData.xml", L"ConfigData.xml\\", L"Sub\\", L"Sub\\CONFIGDATA.XML",
                                                  L"Sub\\Deep\\", L"Sub\\Deep\\taghistorydata.xml"}));
    EXPECT_EQ(Tree(kWorkspace + L"\\tw2"), (Names{L"Cache\\", L"Cache\\Empty\\", L"FilterData.xml", L"viewdata.XML"}));
}

TEST_F(MirrorTest, FolderNamedLikeAnExcludedFileIsEntered) {
    files().WriteFile(kSuite + L"\\HDD.dat\\inner.txt", "x");
    files().WriteFile(kSuite + L"\\HDD.dat\\VideoFolder.dat", "x");
    env.CopySuiteDataToWorkspace(L"");
    EXPECT_EQ(Tree(kWorkspace + L"\\MV"), (Names{L"HDD.dat\\", L"HDD.dat\\inner.txt"}));
}

TEST_F(MirrorTest, MissingSourcesStillLeaveEmptyWorkspaceFolders) {
    Backup();
    EXPECT_EQ(Tree(kWorkspace), (Names{L"MV\\", L"tw1\\", L"tw2\\"}));
}

TEST_F(MirrorTest, RestoreMakesOneFolderLevelOnly) {
    files().MakeFolders(L"C:\\ProgramData\\Tamrix");
    files().WriteFile(kWorkspace + L"\\MV\\a.txt", "x");
    files().MakeFolders(kWorkspace + L"\\tw1");
    files().WriteFile(kWorkspace + L"\\tw2\\ViewData.xml", "x");
    Restore();
    EXPECT_EQ(Tree(L"C:\\ProgramData\\Tamrix"), (Names{L"Mirovane\\", L"Mirovane\\a.txt", L"Parlunet\\"}));
    EXPECT_FALSE(files().Exists(L"C:\\Users\\user\\AppData\\Local\\Tamrix"));
    EXPECT_TRUE(env.m_bRestoreIncomplete) << "ViewData.xml did not land";
}

TEST_F(MirrorTest, RestoreReplacesFilesAndKeepsDestinationOnlyFiles) {
    files().WriteFile(kSuite + L"\\Data\\a.txt", "old");
    files().WriteFile(kSuite + L"\\only.txt", "mine");
    files().WriteFile(kWorkspace + L"\\MV\\Data\\a.txt", "new");
    env.CopySuiteDataFromWorkspace(L"");
    EXPECT_EQ(files().ReadFile(kSuite + L"\\Data\\a.txt"), "new");
    EXPECT_EQ(files().ReadFile(kSuite + L"\\only.txt"), "mine");
}

TEST_F(MirrorTest, CopiesKeepAttributesAndCarryHiddenAndSystemFiles) {
    files().WriteFile(kSuite + L"\\hidden.sys", "h", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    files().WriteFile(kSuite + L"\\Deep\\locked.cfg", "r", FILE_ATTRIBUTE_READONLY);
    env.CopySuiteDataToWorkspace(L"");
    EXPECT_EQ(files().Get(kWorkspace + L"\\MV\\hidden.sys")->attributes, DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(files().Get(kWorkspace + L"\\MV\\Deep\\locked.cfg")->attributes, DWORD(FILE_ATTRIBUTE_READONLY));
}

TEST_F(MirrorTest, FailedStepsAreSkippedAndTheWalkGoesOn) {
    files().WriteFile(kSuite + L"\\a\\in-use.dat", "new")->inUse = true;
    files().WriteFile(kSuite + L"\\a\\read-only.dat", "new");
    files().WriteFile(kSuite + L"\\b\\c\\deep.dat", "new");
    files().WriteFile(kSuite + L"\\d.dat", "new");
    files().WriteFile(kWorkspace + L"\\MV\\a\\read-only.dat", "old", FILE_ATTRIBUTE_READONLY);
    machine->faults().FailForPath("CreateDirectoryW", kWorkspace + L"\\MV\\b", ERROR_ACCESS_DENIED);
    env.CopySuiteDataToWorkspace(L"");
    EXPECT_EQ(Tree(kWorkspace + L"\\MV"), (Names{L"a\\", L"a\\read-only.dat", L"d.dat"}));
    EXPECT_EQ(files().ReadFile(kWorkspace + L"\\MV\\a\\read-only.dat"), "new") << "a read-only copy is replaced";
}

TEST_F(MirrorTest, SubTreeIsDoneBeforeTheNextEntryInListingOrder) {
    drives()[L'D'].sortedListing = false;  // the workspace lists in creation order
    for (auto name : {L"z.txt", L"B\\x.txt", L"a.txt", L"B\\C\\y.txt"}) files().WriteFile(kWorkspace + L"\\MV\\" + name, "x");
    files().MakeFolders(kSuite);
    machine->ClearCalls();
    env.CopySuiteDataFromWorkspace(L"");
    Names copies;
    for (const auto& call : machine->calls()) {
        if (call.compare(0, 21, L"NtSetInformationFile ") == 0) copies.push_back(call.substr(call.rfind(L'\\') + 1));
    }
    EXPECT_EQ(copies, (Names{L"z.txt", L"x.txt", L"y.txt", L"a.txt"}));
}

TEST_F(MirrorTest, FailedKnownFolderLookupDoesNothing) {
    files().WriteFile(kSuite + L"\\a.txt", "x");
    files().WriteFile(kWorkspace + L"\\tw2\\ViewData.xml", "x");
    machine->faults().FailForPath("SHGetFolderPathW", L"C:\\ProgramData", E_FAIL);
    env.CopySuiteDataToWorkspace(L"");
    env.CopyParlunetCommonDataToWorkspace(L"");
    EXPECT_TRUE(machine->calls().empty());
    EXPECT_FALSE(files().Exists(kWorkspace + L"\\MV"));
    files().Remove(L"C:\\Users\\user\\AppData\\Local");  // a known folder that is missing fails its look-up
    env.CopyParlunetLocalDataFromWorkspace(L"");
    EXPECT_TRUE(machine->calls().empty());
}

TEST_F(MirrorTest, MvdMngIniTravelsAloneBetweenTheRootOfCAndTheWorkspace) {
    files().WriteFile(L"C:\\MvdMng.ini", "saved", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
    files().Remove(kWorkspace);
    env.CopyMvdMngIniToWorkspace();  // makes the workspace when it is missing
    EXPECT_EQ(files().ReadFile(kWorkspace + L"\\MvdMng.ini"), "saved");
    files().WriteFile(kWorkspace + L"\\MvdMng.ini", "edited", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
    env.CopyMvdMngIniFromWorkspace();
    EXPECT_EQ(files().ReadFile(L"C:\\MvdMng.ini"), "edited");
    files().Remove(L"C:\\MvdMng.ini");
    files().Remove(kWorkspace + L"\\MvdMng.ini");
    env.CopyMvdMngIniToWorkspace();
    std::vector<std::wstring> before = files().Listing(L"C:\\");
    env.CopyMvdMngIniFromWorkspace();
    EXPECT_FALSE(files().Exists(kWorkspace + L"\\MvdMng.ini"));
    EXPECT_EQ(files().Listing(L"C:\\"), before);
}

// The suite data root is 30 characters and the workspace's 12: a backup's longest paths are on
// the system side. A name of 228 characters makes a path of 259 there, one of 229 a path of 260.
TEST_F(MirrorTest, PathsOf259CharactersAreCopiedLongerOnesSkippedWholeAndTheWalkGoesOn) {
    std::wstring fits(228, L'f'), tooLong(229, L'g');
    files().WriteFile(kSuite + L"\\" + fits, "x");
    files().WriteFile(kSuite + L"\\z.txt", "x");
    // Made under short names and renamed: the machine's own control interface refuses long paths.
    files().WriteFile(kSuite + L"\\long", "x")->name = tooLong;
    // A folder whose own path fits (258) but whose search pattern would not: skipped with its sub-tree.
    files().WriteFile(kSuite + L"\\folder\\x", "x");
    files().Get(kSuite + L"\\folder")->name = std::wstring(227, L'd');
    ASSERT_EQ((kSuite + L"\\" + fits).size(), 259u);
    env.CopySuiteDataToWorkspace(L"");
    EXPECT_EQ(Tree(kWorkspace + L"\\MV"), (Names{fits, L"z.txt"}));
    EXPECT_EQ(Calls(L"NtSetInformationFile " + kWorkspace + L"\\MV\\" + tooLong), 0u);
    EXPECT_EQ(machine->OpenHandles(), 0u);
}

TEST_F(MirrorTest, EntriesThatChangedKindAreCarriedByOneGetAndNeverReplacedBySet) {
    files().WriteFile(kSuite + L"\\was-file\\now.txt", "a folder now");
    files().WriteFile(kSuite + L"\\was-folder", "a file now");
    files().WriteFile(kWorkspace + L"\\MV\\was-file", "the earlier file");
    files().WriteFile(kWorkspace + L"\\MV\\was-folder\\old.txt", "the earlier folder");
    env.CopySuiteDataToWorkspace(L"");
    EXPECT_EQ(Tree(kWorkspace + L"\\MV"), (Names{L"was-file\\", L"was-file\\now.txt", L"was-folder"}));
    files().Remove(kSuite);
    files().WriteFile(kSuite + L"\\was-file", "installed");
    files().WriteFile(kSuite + L"\\was-folder\\kept.txt", "installed");
    env.CopySuiteDataFromWorkspace(L"");
    EXPECT_EQ(Tree(kSuite), (Names{L"was-file", L"was-folder\\", L"was-folder\\kept.txt"}));
    EXPECT_TRUE(env.m_bRestoreIncomplete) << "neither of them landed";
}

TEST_F(MirrorTest, ASecondGetKeepsCopiesThatListAlikeAndCopiesTheRest) {
    files().WriteFile(kSuite + L"\\same.dat", "same");
    files().WriteFile(kSuite + L"\\changed.dat", "one");
    env.CopySuiteDataToWorkspace(L"");
    files().WriteFile(kSuite + L"\\changed.dat", "two");
    machine->ClearCalls();
    env.CopySuiteDataToWorkspace(L"");
    EXPECT_EQ(Calls(L"NtSetInformationFile "), 1u);
    EXPECT_EQ(files().ReadFile(kWorkspace + L"\\MV\\changed.dat"), "two");
}

// Killed at any step, in either direction, a run leaves every file at its own name whole, the
// earlier or the new one; at most part files stay, and the next pass removes them.
TEST_F(MirrorTest, ARunKilledAtAnyStepLeavesNoTornFile) {
    const std::string earlier(3000, 'e'), saved(5000, 's');
    for (bool backup : {true, false}) {
        for (int64_t step = 0;; ++step) {
            files().Remove(kSuite);
            files().Remove(kWorkspace);
            for (auto name : {L"a.dat", L"Sub\\b.dat"}) {
                files().WriteFile(kSuite + L"\\" + name, backup ? saved : earlier);
                files().WriteFile(kWorkspace + L"\\MV\\" + name, backup ? earlier : saved);
            }
            files().WriteFile((backup ? kSuite : kWorkspace + L"\\MV") + L"\\Sub\\c.dat", saved);
            machine->killed = false, machine->killAfter = step;
            backup ? env.CopySuiteDataToWorkspace(L"") : env.CopySuiteDataFromWorkspace(L"");
            bool ended = machine->killed;
            machine->killAfter = -1, machine->killed = false;
            for (const auto& root : {kSuite, kWorkspace + L"\\MV"}) {
                for (const auto& name : Tree(root)) {
                    std::string content = files().ReadFile(root + L"\\" + name);
                    bool whole = name.back() == L'\\' || IsPartFileName(name.c_str()) || content == earlier || content == saved;
                    EXPECT_TRUE(whole) << Narrow(root + L"\\" + name) << " killed at step " << step;
                }
            }
            if (!ended) break;
            backup ? RemoveWorkspacePartFiles(kWorkspace.c_str()) : RemoveSystemPartFiles();
            backup ? env.CopySuiteDataToWorkspace(L"") : env.CopySuiteDataFromWorkspace(L"");
            for (const auto& name : Tree(backup ? kWorkspace : kSuite)) EXPECT_FALSE(IsPartFileName(name.c_str())) << Narrow(name);
        }
    }
}
