#include "import_picker/import_selection.h"

#include <gtest/gtest.h>

#include <new>
#include <set>
#include <string>
#include <vector>

#include "tests/unit/in_memory_import_view.h"

namespace fernwick {
namespace {

using Texts = std::vector<std::wstring>;
using Paths = std::set<std::wstring>;

const std::wstring kPrompt(kPathPrompt);
const std::wstring kDuplicatesHeading = std::wstring(kFilesAlreadyListedMessage) + L"\n";

class ImportSelectionTest : public ::testing::Test {
protected:
    InMemoryImportView view;
    ImportSelection selection{view, L"C:\\Last", L"C:\\Last\\last.xml"};

    void SetUp() override { selection.Initialize(); }
};

TEST_F(ImportSelectionTest, AFreshDialogHasNoRowsNoOkAndThePrompt) {
    EXPECT_EQ(view.RowCount(), 0);
    EXPECT_FALSE(view.okEnabled);
    EXPECT_EQ(view.pathText, L"Select a file/folder to show its full path...");
    EXPECT_EQ(selection.LastSelectedFolder(), L"C:\\Last");
    EXPECT_EQ(selection.LastSelectedFile(), L"C:\\Last\\last.xml");
}

TEST_F(ImportSelectionTest, RowsAreOrderedByDisplayNameByCodeUnitsWithFoldersAndFilesTogether) {
    selection.AddFiles({L"C:\\Docs\\c.xml", L"C:\\Docs\\a.xml"});
    selection.AddFolder(L"D:\\Work\\b");
    selection.AddFiles({L"C:\\Other\\B.xml"});

    EXPECT_EQ(view.Texts(), (Texts{L"B.xml", L"a.xml", L"b", L"c.xml"}));
    EXPECT_EQ(view.rows[0].image, RowImage::File);
    EXPECT_EQ(view.rows[2].image, RowImage::Folder);
    EXPECT_EQ(view.RowPath(2), L"D:\\Work\\b");
    EXPECT_EQ(selection.SelectedFiles(),
              (Paths{L"C:\\Docs\\a.xml", L"C:\\Docs\\c.xml", L"C:\\Other\\B.xml"}));
    EXPECT_EQ(selection.SelectedFolders(), (Paths{L"D:\\Work\\b"}));
    EXPECT_TRUE(view.okEnabled);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(ImportSelectionTest, SortOrderComparesDisplayNamesNotPaths) {
    EXPECT_LT(ImportSelection::SortFileList(L"Z:\\x\\a.xml", L"A:\\y\\b.xml"), 0);
    EXPECT_GT(ImportSelection::SortFileList(L"C:\\a.xml", L"C:\\B.xml"), 0);
    EXPECT_EQ(ImportSelection::SortFileList(L"C:\\one\\a.xml", L"D:\\two\\a.xml"), 0);
    const std::wstring left, right;
    EXPECT_TRUE(noexcept(ImportSelection::SortFileList(left, right)))
        << "runs inside the system's sort";
}

TEST_F(ImportSelectionTest, APathWhoseRowCannotBeAddedLeavesItsSet) {
    view.refusedText = L"b.xml";
    selection.AddFiles({L"C:\\Docs\\a.xml", L"C:\\Docs\\b.xml"});
    view.refusedText = L"Data";
    selection.AddFolder(L"C:\\Data");
    view.refusedText = L"c.xml";
    view.refuseByThrowing = true;
    EXPECT_THROW(selection.AddFiles({L"C:\\Docs\\c.xml"}), std::bad_alloc);

    EXPECT_EQ(view.Texts(), (Texts{L"a.xml"}));
    EXPECT_EQ(selection.SelectedFiles(), (Paths{L"C:\\Docs\\a.xml"}));
    EXPECT_TRUE(selection.SelectedFolders().empty());

    view.refusedText.reset();
    selection.AddFiles({L"C:\\Docs\\b.xml", L"C:\\Docs\\c.xml"});
    selection.AddFolder(L"C:\\Data");
    EXPECT_TRUE(view.messages.empty()) << "none of them was listed";
    EXPECT_EQ(view.Texts(), (Texts{L"Data", L"a.xml", L"b.xml", L"c.xml"}));
}

TEST_F(ImportSelectionTest, PathsDifferingOnlyInCaseAreTwoEntries) {
    selection.AddFiles({L"C:\\Docs\\a.xml"});
    selection.AddFiles({L"c:\\docs\\a.xml"});
    EXPECT_EQ(view.Texts(), (Texts{L"a.xml", L"a.xml"}));
    EXPECT_EQ(selection.SelectedFiles(), (Paths{L"C:\\Docs\\a.xml", L"c:\\docs\\a.xml"}));
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(ImportSelectionTest, SameNameFromTwoFoldersGivesTwoRows) {
    selection.AddFiles({L"C:\\One\\plan.xml"});
    selection.AddFiles({L"C:\\Two\\plan.xml"});
    EXPECT_EQ(view.Texts(), (Texts{L"plan.xml", L"plan.xml"}));
    EXPECT_EQ(selection.SelectedFiles().size(), 2u);
}

TEST_F(ImportSelectionTest, DuplicateFilesAreReportedByNameInTheOrderMetAfterTheNewOnesAreAdded) {
    selection.AddFiles({L"C:\\Docs\\a.xml", L"C:\\Docs\\b.xml"});
    selection.AddFiles({L"C:\\Docs\\b.xml", L"C:\\Docs\\c.xml", L"C:\\Docs\\a.xml"});

    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0], kDuplicatesHeading + L"b.xml, a.xml");
    EXPECT_EQ(view.messages[0],
              L"File(s) are already in the list of files and folders to import:\nb.xml, a.xml");
    EXPECT_EQ(view.rowCountAtMessages[0], 3) << "the new file is listed before the message";
    EXPECT_EQ(view.Texts(), (Texts{L"a.xml", L"b.xml", L"c.xml"}));
    EXPECT_EQ(selection.LastSelectedFile(), L"C:\\Docs\\a.xml") << "a duplicate still counts";
}

TEST_F(ImportSelectionTest, ASingleDuplicateIsNamedWithoutSeparator) {
    selection.AddFiles({L"C:\\Docs\\a.xml"});
    selection.AddFiles({L"C:\\Docs\\a.xml"});
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0], kDuplicatesHeading + L"a.xml");
    EXPECT_EQ(view.RowCount(), 1);
}

TEST_F(ImportSelectionTest, ScrollsToTheSmallestNewNameOrToTheFirstRowWhenNothingIsNew) {
    selection.AddFiles({L"C:\\Docs\\m.xml", L"C:\\Docs\\n.xml", L"C:\\Docs\\Z.xml"});
    selection.AddFiles({L"C:\\Docs\\x.xml", L"C:\\Docs\\b.xml", L"C:\\Docs\\y.xml"});
    // Rows: Z.xml m.xml n.xml ... b.xml is the smallest new name; found ignoring case.
    EXPECT_EQ(view.Texts(), (Texts{L"Z.xml", L"b.xml", L"m.xml", L"n.xml", L"x.xml", L"y.xml"}));
    ASSERT_EQ(view.scrolledTo.size(), 2u);
    EXPECT_EQ(view.scrolledTo[0], 0) << "Z.xml is smallest by code units";
    EXPECT_EQ(view.scrolledTo[1], 1);

    selection.AddFiles({L"C:\\Docs\\y.xml"});
    ASSERT_EQ(view.scrolledTo.size(), 3u);
    EXPECT_EQ(view.scrolledTo[2], 0);
}

TEST_F(ImportSelectionTest, ScrollingFindsAPrefixRegardlessOfCase) {
    selection.AddFiles({L"C:\\Docs\\Alpha.xml", L"C:\\Docs\\beta.xml"});
    selection.AddFiles({L"C:\\Docs\\alp.xml"});
    // Rows: Alpha.xml alp.xml beta.xml; "alp.xml" is not a prefix of "Alpha.xml".
    EXPECT_EQ(view.Texts(), (Texts{L"Alpha.xml", L"alp.xml", L"beta.xml"}));
    EXPECT_EQ(view.scrolledTo.back(), 1);
    selection.AddFolder(L"C:\\Docs\\ALP");
    EXPECT_EQ(view.Texts(), (Texts{L"ALP", L"Alpha.xml", L"alp.xml", L"beta.xml"}));
    EXPECT_EQ(view.scrolledTo.back(), 0);
}

TEST_F(ImportSelectionTest, DriveRootsAreRefusedAndChangeNothing) {
    selection.AddFiles({L"C:\\Docs\\a.xml"});
    const auto scrollsBefore = view.scrolledTo.size();
    view.okEnabled = false;

    selection.AddFolder(L"C:\\");
    selection.AddFolder(L"\\\\?\\D:\\");

    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages[0],
              L"Please select a file or folder. An entire drive such as C:\\ or D:\\ cannot be "
              L"imported at once.");
    EXPECT_EQ(view.messages[1], view.messages[0]);
    EXPECT_EQ(selection.LastSelectedFolder(), L"C:\\Last");
    EXPECT_TRUE(selection.SelectedFolders().empty());
    EXPECT_EQ(view.RowCount(), 1);
    EXPECT_FALSE(view.okEnabled) << "the OK button is not touched";
    EXPECT_EQ(view.scrolledTo.size(), scrollsBefore);
}

TEST_F(ImportSelectionTest, FoldersAtTheRootOfADriveAndOtherPathsAreAccepted) {
    selection.AddFolder(L"C:\\Data");
    selection.AddFolder(L"\\\\server\\share");
    selection.AddFolder(L"C:\\Data\\Sub");
    selection.AddFolder(L"C:");
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(selection.SelectedFolders(),
              (Paths{L"C:", L"C:\\Data", L"C:\\Data\\Sub", L"\\\\server\\share"}));
    EXPECT_EQ(selection.LastSelectedFolder(), L"C:");
}

TEST_F(ImportSelectionTest, ADuplicateFolderIsReportedYetBecomesTheLastFolder) {
    selection.AddFolder(L"C:\\Data");
    selection.AddFolder(L"C:\\Other");
    view.okEnabled = false;
    selection.AddFolder(L"C:\\Data");

    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0],
              L"The selected folder is already in the list of files and folders to import.");
    EXPECT_EQ(view.RowCount(), 2);
    EXPECT_EQ(selection.LastSelectedFolder(), L"C:\\Data");
    EXPECT_EQ(view.scrolledTo.back(), 0) << "scrolled to the row already there";
    EXPECT_TRUE(view.okEnabled);
}

TEST_F(ImportSelectionTest, AFileInsideAListedFolderIsAnEntryOfItsOwn) {
    selection.AddFolder(L"C:\\Data");
    selection.AddFiles({L"C:\\Data\\a.xml"});
    selection.AddFolder(L"C:\\Data\\Sub");
    EXPECT_EQ(view.RowCount(), 3);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(ImportSelectionTest, SelectingARowShowsItsFullPathFromItsItemData) {
    selection.AddFiles({L"C:\\Docs\\  spaced.xml "});
    EXPECT_EQ(view.Texts(), (Texts{L"spaced.xml"}));
    selection.OnRowSelected(0);
    EXPECT_EQ(view.pathText, L"C:\\Docs\\  spaced.xml ");
}

TEST_F(ImportSelectionTest, RemoveDropsEverySelectedRowAndItsPath) {
    selection.AddFiles({L"C:\\Docs\\a.xml", L"C:\\Docs\\b.xml", L"C:\\Docs\\d.xml"});
    selection.AddFolder(L"C:\\Docs\\c");
    view.Select({0, 2, 3});
    selection.OnRowSelected(3);

    selection.RemoveSelected();

    EXPECT_EQ(view.Texts(), (Texts{L"b.xml"}));
    EXPECT_EQ(selection.SelectedFiles(), (Paths{L"C:\\Docs\\b.xml"}));
    EXPECT_TRUE(selection.SelectedFolders().empty());
    EXPECT_EQ(view.pathText, kPrompt);
    EXPECT_TRUE(view.okEnabled);
}

TEST_F(ImportSelectionTest, RemovingAllRowsDisablesOkAndAFreedPathCanBeAddedAgain) {
    selection.AddFiles({L"C:\\Docs\\a.xml"});
    selection.AddFolder(L"C:\\Data");
    view.Select({0, 1});
    selection.RemoveSelected();
    EXPECT_EQ(view.RowCount(), 0);
    EXPECT_FALSE(view.okEnabled);
    EXPECT_EQ(view.pathText, kPrompt);

    selection.AddFolder(L"C:\\Data");
    selection.AddFiles({L"C:\\Docs\\a.xml"});
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.Paths(), (Texts{L"C:\\Data", L"C:\\Docs\\a.xml"}));
}

TEST_F(ImportSelectionTest, RemoveWithNothingSelectedOnlyRestoresThePrompt) {
    selection.AddFiles({L"C:\\Docs\\a.xml"});
    selection.OnRowSelected(0);
    EXPECT_EQ(view.pathText, L"C:\\Docs\\a.xml");

    selection.RemoveSelected();

    EXPECT_EQ(view.RowCount(), 1);
    EXPECT_EQ(selection.SelectedFiles().size(), 1u);
    EXPECT_EQ(view.pathText, kPrompt);
    EXPECT_TRUE(view.okEnabled);
}

TEST_F(ImportSelectionTest, RemovingAFileLeavesAFolderOfTheSamePathListed) {
    selection.AddFiles({L"C:\\a", L"C:\\b", L"C:\\a"});
    selection.AddFolder(L"C:\\a");
    selection.AddFolder(L"C:\\c\\");
    // Rows: "" (C:\c\), a (file), a (folder), b.
    ASSERT_EQ(view.rows[1].image, RowImage::File);
    view.Select({1});
    selection.RemoveSelected();

    EXPECT_EQ(selection.SelectedFolders(), (Paths{L"C:\\a", L"C:\\c\\"}));
    EXPECT_EQ(selection.SelectedFiles(), (Paths{L"C:\\b"}));

    std::multiset<std::wstring> entries(selection.SelectedFiles().begin(),
                                        selection.SelectedFiles().end());
    entries.insert(selection.SelectedFolders().begin(), selection.SelectedFolders().end());
    const Texts rowPaths = view.Paths();
    EXPECT_EQ(entries, std::multiset<std::wstring>(rowPaths.begin(), rowPaths.end()));
    EXPECT_EQ(view.RowCount(), 3);
}

TEST_F(ImportSelectionTest, SelectAllSelectsEveryRowAndShowsTheFirstPath) {
    selection.SelectAll();
    EXPECT_EQ(view.pathText, kPrompt) << "an empty list";

    selection.AddFiles({L"C:\\Docs\\b.xml", L"C:\\Docs\\a.xml"});
    selection.AddFolder(L"C:\\Data");
    selection.OnRowSelected(2);
    selection.SelectAll();
    EXPECT_EQ(view.NextSelectedRow(-1), 0);
    EXPECT_EQ(view.NextSelectedRow(0), 1);
    EXPECT_EQ(view.NextSelectedRow(1), 2);
    EXPECT_EQ(view.pathText, L"C:\\Data");

    selection.RemoveSelected();
    EXPECT_EQ(view.RowCount(), 0);
    EXPECT_TRUE(selection.SelectedFiles().empty());
    EXPECT_TRUE(selection.SelectedFolders().empty());
    EXPECT_FALSE(view.okEnabled);
}

TEST_F(ImportSelectionTest, ADropAddsItsFilesAsOneChoiceThenEachFolderInTheDropsOrder) {
    selection.AddFiles({L"C:\\Docs\\a.xml"});
    selection.AddFolder(L"C:\\Data");
    view.messages.clear();

    selection.AddDropped({{L"D:\\Work\\Z", true},
                          {L"C:\\Docs\\c.xml", false},
                          {L"C:\\", true},
                          {L"C:\\Docs\\a.xml", false},
                          {L"C:\\Data", true},
                          {L"\\\\server\\share\\b.xml", false},
                          {L"D:\\Work\\y", true}});

    EXPECT_EQ(view.messages, (Texts{kDuplicatesHeading + L"a.xml", std::wstring(kDriveRootMessage),
                                    std::wstring(kFolderAlreadyListedMessage)}));
    EXPECT_EQ(view.rowCountAtMessages[0], 4) << "the new files are listed before the message";
    EXPECT_EQ(view.Texts(), (Texts{L"Data", L"Z", L"a.xml", L"b.xml", L"c.xml", L"y"}));
    EXPECT_EQ(selection.SelectedFiles(),
              (Paths{L"C:\\Docs\\a.xml", L"C:\\Docs\\c.xml", L"\\\\server\\share\\b.xml"}));
    EXPECT_EQ(selection.SelectedFolders(), (Paths{L"C:\\Data", L"D:\\Work\\Z", L"D:\\Work\\y"}));
    EXPECT_EQ(selection.LastSelectedFile(), L"\\\\server\\share\\b.xml");
    EXPECT_EQ(selection.LastSelectedFolder(), L"D:\\Work\\y");
    EXPECT_TRUE(view.okEnabled);
}

TEST_F(ImportSelectionTest, ADropOfNothingOrOfNoFullPathChangesNothing) {
    selection.AddDropped({});
    selection.AddDropped({{L"", false},
                          {L"", true},
                          {L"a.xml", false},
                          {L"C:Data", true},
                          {L"\\Data", true},
                          {L"C:", true}});

    EXPECT_EQ(view.RowCount(), 0);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_TRUE(view.scrolledTo.empty());
    EXPECT_FALSE(view.okEnabled);
    EXPECT_EQ(selection.LastSelectedFile(), L"C:\\Last\\last.xml");
    EXPECT_EQ(selection.LastSelectedFolder(), L"C:\\Last");
}

}  // namespace
}  // namespace fernwick
