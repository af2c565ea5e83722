#include "files_fixture.h"

class DeleteTreeTest : public FilesTest {
protected:
    void Delete(const std::wstring& folder) { env.DeleteDirectoryTree(folder.c_str()); }
};

TEST_F(DeleteTreeTest, RemovesAWholeWorkspaceWithHiddenSystemAndEmptyEntries) {
    for (auto name : {L"Movendo.ini", L"CheckSum.dat", L"Rondisc4.dat", L"MvdMng.ini", L"MV\\a.txt", L"MV\\Data\\Old\\b.txt",
                      L"tw1\\Sub\\ConfigData.xml", L"tw2\\ViewData.xml"}) {
        files().WriteFile(kWorkspace + L"\\" + name, "x");
    }
    files().WriteFile(kWorkspace + L"\\MV\\hidden", "x", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    files().MakeFolders(kWorkspace + L"\\tw2\\Empty");
    Delete(kWorkspace);
    EXPECT_EQ(Tree(L"D:\\"), Names{});
    EXPECT_EQ(machine->OpenHandles(), 0u);
}

TEST_F(DeleteTreeTest, AFileThatCannotBeDeletedKeepsItselfAndItsFolderChain) {
    for (auto name : {L"Movendo.ini", L"MV\\a.txt", L"MV\\Data\\b.txt", L"MV\\Data\\Old\\c.txt", L"MV\\Other\\d.txt"}) {
        files().WriteFile(kWorkspace + L"\\" + name, "x");
    }
    files().WriteFile(kWorkspace + L"\\MV\\Data\\Old\\busy.cfg", "x")->inUse = true;
    files().WriteFile(kWorkspace + L"\\tw1\\busy.xml", "x")->inUse = true;
    Delete(kWorkspace);
    EXPECT_EQ(Tree(kWorkspace), (Names{L"MV\\", L"MV\\Data\\", L"MV\\Data\\Old\\", L"MV\\Data\\Old\\busy.cfg", L"tw1\\",
                                       L"tw1\\busy.xml"}));
}

// A read-only file or folder of the workspace (a read-only suite file is read-only in its copy too)
// is removed with it; the suite's own file keeps its attribute.
TEST_F(DeleteTreeTest, ReadOnlyEntriesGoWithTheWorkspaceAndSuiteFilesKeepTheirAttribute) {
    files().WriteFile(kSuite + L"\\Data\\locked.cfg", "x", FILE_ATTRIBUTE_READONLY);
    files().WriteFile(kSuite + L"\\plain.cfg", "x");
    Backup();
    Restore();
    files().Get(kWorkspace + L"\\MV\\Data")->attributes |= FILE_ATTRIBUTE_READONLY;
    Delete(kWorkspace);
    EXPECT_FALSE(files().Exists(kWorkspace));
    EXPECT_EQ(files().Get(kSuite + L"\\Data\\locked.cfg")->attributes & FILE_ATTRIBUTE_READONLY, DWORD(FILE_ATTRIBUTE_READONLY));
}

TEST_F(DeleteTreeTest, RefusesAnEmptyPathAndLeavesFilesAndMissingPathsAlone) {
    files().WriteFile(L"D:\\file.txt", "x");
    Delete(L"");
    Delete(L"D:\\file.txt");
    Delete(L"D:\\missing");
    EXPECT_EQ(Calls(L"RemoveDirectoryW"), 0u);
    EXPECT_EQ(Calls(L"DeleteFileW"), 0u);
    EXPECT_TRUE(files().Exists(L"D:\\file.txt"));
}

// Entries whose paths would need more than 259 characters stay, and so do the folders above them.
TEST_F(DeleteTreeTest, EntriesBeyond259CharactersStayWithTheirFolders) {
    std::wstring base = kWorkspace + L"\\MV";  // 12 characters
    files().WriteFile(base + L"\\" + std::wstring(246, L'f'), "x");  // 259: deleted
    files().WriteFile(base + L"\\long", "x")->name = std::wstring(247, L'g');  // 260: stays
    files().WriteFile(base + L"\\folder\\x", "x");
    files().Get(base + L"\\folder")->name = std::wstring(245, L'd');  // its pattern would be 260 long
    files().WriteFile(base + L"\\other.txt", "x");
    Delete(kWorkspace);
    EXPECT_EQ(Tree(kWorkspace), (Names{L"MV\\", L"MV\\" + std::wstring(245, L'd') + L"\\",
                                       L"MV\\" + std::wstring(245, L'd') + L"\\x", L"MV\\" + std::wstring(247, L'g')}));
}

class CleanupTest : public FilesTest {};

TEST_F(CleanupTest, DeletesOnlyTheTwoFilesAtTheTopOfTheSuiteFolder) {
    files().WriteFile(kSuite + L"\\VideoFolder.dat", "x");
    files().WriteFile(kSuite + L"\\Data\\HDD.dat", "x");
    std::vector<std::wstring> before = files().Listing(L"C:\\");
    DeleteHddAndVideoFolderFiles();
    std::vector<std::wstring> after = files().Listing(L"C:\\");
    EXPECT_EQ(after.size() + 1, before.size());
    EXPECT_FALSE(files().Exists(kSuite + L"\\VideoFolder.dat"));
    EXPECT_TRUE(files().Exists(kSuite + L"\\Data\\HDD.dat"));
}

TEST_F(CleanupTest, AFileThatCannotBeDeletedDoesNotKeepTheOther) {
    files().WriteFile(kSuite + L"\\HDD.dat", "x")->inUse = true;
    files().WriteFile(kSuite + L"\\videofolder.DAT", "x");
    DeleteHddAndVideoFolderFiles();
    EXPECT_EQ(Tree(kSuite), (Names{L"HDD.dat"}));
}

TEST_F(CleanupTest, NothingIsDeletedWithoutTheKnownFolderOrThroughALink) {
    files().WriteFile(kSuite + L"\\HDD.dat", "x");
    machine->faults().FailForPath("SHGetFolderPathW", L"C:\\ProgramData", E_INVALIDARG);
    DeleteHddAndVideoFolderFiles();
    EXPECT_TRUE(files().Exists(kSuite + L"\\HDD.dat"));
    machine->faults().Clear();
    files().WriteFile(L"E:\\Elsewhere\\HDD.dat", "x");
    files().Remove(kSuite);
    files().MakeLink(kSuite, L"E:\\Elsewhere");
    DeleteHddAndVideoFolderFiles();
    EXPECT_TRUE(files().Exists(L"E:\\Elsewhere\\HDD.dat"));
}
