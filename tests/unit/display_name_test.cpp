#include "import_picker/display_name.h"

#include <gtest/gtest.h>

namespace fernwick {
namespace {

TEST(DisplayNameTest, TakesTheTextAfterTheLastBackslash) {
    EXPECT_EQ(GetDisplayName(L"C:\\Docs\\report.xml"), L"report.xml");
    EXPECT_EQ(GetDisplayName(L"C:\\Docs\\Sub"), L"Sub");
    EXPECT_EQ(GetDisplayName(L"\\\\server\\share\\plan.xml"), L"plan.xml");
    EXPECT_EQ(GetDisplayName(L"a\\b"), L"b");
}

TEST(DisplayNameTest, KeepsTheWholePathWithoutABackslashPastTheFirstCharacter) {
    EXPECT_EQ(GetDisplayName(L"\\report.xml"), L"\\report.xml");
    EXPECT_EQ(GetDisplayName(L"report.xml"), L"report.xml");
    EXPECT_EQ(GetDisplayName(L""), L"");
}

TEST(DisplayNameTest, APathEndingInABackslashHasAnEmptyName) {
    EXPECT_EQ(GetDisplayName(L"C:\\Docs\\"), L"");
    EXPECT_EQ(GetDisplayName(L"D:\\"), L"");
}

TEST(DisplayNameTest, StripsWhiteSpaceAroundTheName) {
    EXPECT_EQ(GetDisplayName(L"C:\\Docs\\ \tnotes v2.xml \r\n"), L"notes v2.xml");
    // The backslash decides before the blanks go: here it stands at position 2.
    EXPECT_EQ(GetDisplayName(L"  \\report.xml "), L"report.xml");
    EXPECT_EQ(GetDisplayName(L"\\report.xml  "), L"\\report.xml");
    EXPECT_EQ(GetDisplayName(L"C:\\Docs\\   "), L"");
}

}  // namespace
}  // namespace fernwick
