// No copy or deletion passes through a link: what a link points to keeps every file and gains
// none, whichever side of the copy the link is on.
#include "files_fixture.h"

class LinkTest : public FilesTest {
protected:
    void SetUp() override {
        FilesTest::SetUp();
        for (auto name : {L"one", L"Sub\\two", L"Sub\\Movendo.ini"}) files().WriteFile(kTarget + L"\\" + name, "theirs");
    }
    const std::wstring kTarget = L"E:\\Elsewhere";
};

TEST_F(LinkTest, SourceFoldersThatAreLinksAreNotEntered) {
    files().WriteFile(kSuite + L"\\Data\\a.txt", "x");
    files().MakeLink(kSuite + L"\\Junction", kTarget);
    files().MakeLink(kSuite + L"\\Data\\Symlink", kTarget + L"\\Sub", IO_REPARSE_TAG_SYMLINK);
    files().MakeFileLink(kSuite + L"\\file-link.txt", kTarget + L"\\one");
    env.CopySuiteDataToWorkspace(L"");
    EXPECT_EQ(Tree(kWorkspace + L"\\MV"), (Names{L"Data\\", L"Data\\a.txt"}));
    EXPECT_EQ(files().CountFiles(kTarget), 3u);
}

TEST_F(LinkTest, DestinationFoldersAndFilesThatAreLinksAreNotCopiedInto) {
    for (auto name : {L"Data\\a.txt", L"Data\\Deep\\b.txt", L"one", L"top.txt"}) files().WriteFile(kWorkspace + L"\\MV\\" + name, "ours");
    files().MakeFolders(kSuite);
    files().MakeLink(kSuite + L"\\Data", kTarget);
    files().MakeFileLink(kSuite + L"\\one", kTarget + L"\\one");
    env.CopySuiteDataFromWorkspace(L"");
    EXPECT_EQ(Tree(kSuite), (Names{L"Data@", L"one@", L"top.txt"}));
    EXPECT_EQ(Tree(kTarget), (Names{L"Sub\\", L"Sub\\Movendo.ini", L"Sub\\two", L"one"}));
    EXPECT_EQ(files().ReadFile(kTarget + L"\\one"), "theirs");
}

TEST_F(LinkTest, SetFoldersReachedThroughALinkAreLeftAlone) {
    files().WriteFile(kSuite + L"\\a.txt", "x");
    files().WriteFile(L"C:\\MvdMng.ini", "x");
    files().MakeLink(kWorkspace + L"\\MV", kTarget);  // the workspace's folder of a set
    files().Remove(L"C:\\ProgramData\\Tamrix\\Parlunet");
    files().MakeLink(L"C:\\ProgramData\\Tamrix\\Parlunet", kTarget);  // a folder below a known folder
    files().WriteFile(kWorkspace + L"\\tw1\\AccountData.xml", "ours");
    files().WriteFile(kTarget + L"\\ConfigData.xml", "theirs");
    Backup();
    Restore();
    EXPECT_EQ(Tree(kWorkspace + L"\\tw1"), (Names{L"AccountData.xml"}));
    EXPECT_EQ(files().CountFiles(kTarget), 4u);
    EXPECT_FALSE(files().Exists(kTarget + L"\\a.txt"));
    EXPECT_FALSE(files().Exists(kTarget + L"\\AccountData.xml"));
    EXPECT_EQ(Calls(L"CopyFileW " + kSuite), 0u);
    EXPECT_EQ(Calls(L"CopyFileW " + kWorkspace + L"\\tw1"), 0u);
}

TEST_F(LinkTest, AWorkspaceThatIsALinkIsNeitherWrittenNorReadNorEmptied) {
    files().WriteFile(kSuite + L"\\a.txt", "x");
    files().WriteFile(L"C:\\MvdMng.ini", "x");
    files().Remove(kWorkspace);
    files().MakeLink(kWorkspace, kTarget);
    Backup();
    EXPECT_EQ(Tree(kTarget), (Names{L"Sub\\", L"Sub\\Movendo.ini", L"Sub\\two", L"one"}));
    files().WriteFile(kTarget + L"\\MvdMng.ini", "theirs");
    Restore();
    EXPECT_EQ(files().ReadFile(L"C:\\MvdMng.ini"), "x");
    env.DeleteDirectoryTree(kWorkspace.c_str());
    EXPECT_FALSE(files().Exists(kWorkspace));
    EXPECT_EQ(files().CountFiles(kTarget), 4u);
    EXPECT_EQ(machine->OpenHandles(), 0u);
}

TEST_F(LinkTest, DeletingATreeRemovesLinksInsideItAsLinks) {
    files().WriteFile(kWorkspace + L"\\MV\\a.txt", "x");
    files().MakeLink(kWorkspace + L"\\MV\\Junction", kTarget);
    files().MakeLink(kWorkspace + L"\\Symlink", kTarget + L"\\Sub", IO_REPARSE_TAG_SYMLINK);
    files().MakeFileLink(kWorkspace + L"\\file-link", kTarget + L"\\one");
    env.DeleteDirectoryTree(kWorkspace.c_str());
    EXPECT_FALSE(files().Exists(kWorkspace));
    EXPECT_EQ(files().CountFiles(kTarget), 3u);
}

// A relocated data folder: the known folder itself is a link, and is followed.
TEST_F(LinkTest, KnownFoldersAreFollowedAsTheyAre) {
    files().Remove(L"C:\\ProgramData");
    files().MakeLink(L"C:\\ProgramData", L"E:\\ProgramData");
    files().WriteFile(L"E:\\ProgramData\\Tamrix\\Mirovane\\a.txt", "x");
    files().WriteFile(L"E:\\ProgramData\\Tamrix\\Mirovane\\HDD.dat", "x");
    env.CopySuiteDataToWorkspace(L"");
    DeleteHddAndVideoFolderFiles();
    EXPECT_EQ(Tree(kWorkspace + L"\\MV"), (Names{L"a.txt"}));
    EXPECT_EQ(Tree(L"E:\\ProgramData\\Tamrix\\Mirovane"), (Names{L"a.txt"}));
}

// The configuration file travels only between two plain files: a link at either end stays a link
// and is neither read nor written through.
TEST_F(LinkTest, MvdMngIniThatIsALinkAtEitherEndIsLeftAlone) {
    files().MakeFileLink(L"C:\\MvdMng.ini", kTarget + L"\\one");
    Backup();
    EXPECT_FALSE(files().Exists(kWorkspace + L"\\MvdMng.ini"));
    files().WriteFile(kWorkspace + L"\\MvdMng.ini", "ours");
    Restore();
    EXPECT_TRUE(files().Get(L"C:\\MvdMng.ini")->IsLink());
    EXPECT_EQ(files().ReadFile(kTarget + L"\\one"), "theirs");

    files().Remove(L"C:\\MvdMng.ini");
    files().WriteFile(L"C:\\MvdMng.ini", "mine");
    files().Remove(kWorkspace + L"\\MvdMng.ini");
    files().MakeFileLink(kWorkspace + L"\\MvdMng.ini", kTarget + L"\\one");
    Backup();
    EXPECT_TRUE(files().Get(kWorkspace + L"\\MvdMng.ini")->IsLink());
    EXPECT_EQ(files().ReadFile(kTarget + L"\\one"), "theirs");
    Restore();
    EXPECT_EQ(files().ReadFile(L"C:\\MvdMng.ini"), "mine");
}

// A folder and a file of the workspace are swapped for links after the walk listed them, just
// before it opens them; so is a destination folder of a restore copy. Nothing reaches the targets.
// (Wine gap: a host link to a file is listed as a plain file and a handle on it reaches its
// target, so there a delete through the handle removes the target and leaves the link; no Wine case.)
TEST_F(LinkTest, ASwapBetweenListingAndOpenRedirectsNoDeleteAndNoCopy) {
    files().WriteFile(kWorkspace + L"\\MV\\Data\\a.txt", "ours");
    files().WriteFile(kWorkspace + L"\\MV\\b.txt", "ours");
    files().SwapForLinkOnOpen(kWorkspace + L"\\MV\\Data", kTarget);
    files().SwapForLinkOnOpen(kWorkspace + L"\\MV\\b.txt", kTarget + L"\\one");
    env.DeleteDirectoryTree(kWorkspace.c_str());
    EXPECT_EQ(Tree(kTarget), (Names{L"Sub\\", L"Sub\\Movendo.ini", L"Sub\\two", L"one"}));
    EXPECT_FALSE(files().Exists(kWorkspace)) << "the links are removed by their names";
    files().WriteFile(kWorkspace + L"\\MV\\Data\\a.txt", "ours");
    files().MakeFolders(kSuite + L"\\Data");
    files().SwapForLinkOnOpen(kSuite + L"\\Data", kTarget);
    env.CopySuiteDataFromWorkspace(L"");
    EXPECT_TRUE(files().Get(kSuite + L"\\Data")->IsLink()) << "the copy's check opened the folder";
    EXPECT_FALSE(files().Exists(kTarget + L"\\a.txt"));
    EXPECT_EQ(machine->OpenHandles(), 0u);
}
