#include "import_picker/file_selection_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fernwick {
namespace {

using Names = std::vector<std::wstring>;

TEST(SplitSelectionTextTest, SeveralQuotedNamesAsTheDialogWritesThem) {
    EXPECT_EQ(SplitSelectionText(L"\"a.xml\" \"b.xml\" \"c.xml\" "),
              (Names{L"a.xml", L"b.xml", L"c.xml"}));
    EXPECT_EQ(SplitSelectionText(L"\"a.xml\" \"b.xml\""), (Names{L"a.xml", L"b.xml"}));
}

TEST(SplitSelectionTextTest, NamesWithBlanksStayWhole) {
    EXPECT_EQ(SplitSelectionText(L"\"annual report.xml\" \" lead.xml\" \"x y z\" "),
              (Names{L"annual report.xml", L" lead.xml", L"x y z"}));
}

TEST(SplitSelectionTextTest, ASingleUnquotedNameIsExactlyThatName) {
    EXPECT_EQ(SplitSelectionText(L"report.xml"), (Names{L"report.xml"}));
    EXPECT_EQ(SplitSelectionText(L"annual report 2024.xml"), (Names{L"annual report 2024.xml"}));
    const std::wstring longPath = L"C:\\" + std::wstring(300, L'd') + L"\\r.xml";
    EXPECT_EQ(SplitSelectionText(longPath), (Names{longPath}));
}

TEST(SplitSelectionTextTest, YieldsNothingThatIsNotANameOfTheText) {
    EXPECT_EQ(SplitSelectionText(L""), Names{});
    EXPECT_EQ(SplitSelectionText(L"\"\" "), Names{});
    EXPECT_EQ(SplitSelectionText(L"\"a.xml\"   \"b.xml\"  "), (Names{L"a.xml", L"b.xml"}));
    EXPECT_EQ(SplitSelectionText(L"\"a.xml\" \"unfinish"), (Names{L"a.xml"}));
}

TEST(JoinFolderAndNameTest, PutsExactlyOneBackslashBetweenFolderAndName) {
    EXPECT_EQ(JoinFolderAndName(L"C:\\Docs", L"a.xml"), L"C:\\Docs\\a.xml");
    EXPECT_EQ(JoinFolderAndName(L"D:\\", L"a.xml"), L"D:\\a.xml");
    EXPECT_EQ(JoinFolderAndName(L"", L"a.xml"), L"\\a.xml");
}

TEST(PathsFromResultBufferTest, SinglePathOrFolderFollowedByNames) {
    using namespace std::string_literals;
    EXPECT_EQ(PathsFromResultBuffer(L"C:\\Docs\\a.xml\0\0"s), (Names{L"C:\\Docs\\a.xml"}));
    EXPECT_EQ(PathsFromResultBuffer(L"C:\\Docs\0b.xml\0a.xml\0c d.xml\0\0"s),
              (Names{L"C:\\Docs\\b.xml", L"C:\\Docs\\a.xml", L"C:\\Docs\\c d.xml"}));
    EXPECT_EQ(PathsFromResultBuffer(L"D:\\\0a.xml\0b.xml\0\0"s),
              (Names{L"D:\\a.xml", L"D:\\b.xml"}));
    EXPECT_EQ(PathsFromResultBuffer(L"\0\0"s), Names{});
    EXPECT_EQ(PathsFromResultBuffer(L"C:\\unterminated"), (Names{L"C:\\unterminated"}));
}

TEST(SelectionExceedsResultBufferTest, ComparesTheSumOfBothSizesWithTheBuffer) {
    EXPECT_FALSE(SelectionExceedsResultBuffer(200, 60));
    EXPECT_TRUE(SelectionExceedsResultBuffer(200, 61));
    EXPECT_TRUE(SelectionExceedsResultBuffer(1, 260));
    EXPECT_FALSE(SelectionExceedsResultBuffer(0, 400));
    EXPECT_FALSE(SelectionExceedsResultBuffer(400, 0));
    EXPECT_FALSE(SelectionExceedsResultBuffer(-1, 400));
    EXPECT_TRUE(SelectionExceedsResultBuffer(0x7fffffff, 0x7fffffff));
}

TEST(CapturedSelectionTest, SmallAndLargeSelectionsGiveTheSamePathsAtADriveRoot) {
    using namespace std::string_literals;
    const Names fromBuffer = PathsFromResultBuffer(L"D:\\\0a.xml\0b.xml\0\0"s);
    Names fromCapture;
    for (const std::wstring& name : SplitSelectionText(L"\"a.xml\" \"b.xml\" ")) {
        fromCapture.push_back(JoinFolderAndName(L"D:\\", name));
    }
    EXPECT_EQ(fromBuffer, fromCapture);
    EXPECT_EQ(fromCapture, (Names{L"D:\\a.xml", L"D:\\b.xml"}));
}

}  // namespace
}  // namespace fernwick
