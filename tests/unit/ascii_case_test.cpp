#include "support/ascii_case.h"

#include <gtest/gtest.h>

namespace tolk::stdx {
namespace {

TEST(AsciiCaseTest, FoldsOnlyAsciiLetters) {
    EXPECT_TRUE(AsciiEqualsIgnoreCase(L"d:\\copies\\MANUAL.XML", L"D:\\Copies\\manual.xml"));
    EXPECT_FALSE(AsciiEqualsIgnoreCase(L"C:\\\u00C9t\u00E9.xml", L"C:\\\u00E9t\u00E9.xml"));
    EXPECT_FALSE(AsciiEqualsIgnoreCase(L"C:\\a.xml", L"C:\\a.xml.bak"));
    EXPECT_FALSE(AsciiEqualsIgnoreCase(L"@[", L"`{"));  // neighbours of A and Z do not fold
    EXPECT_TRUE(AsciiEqualsIgnoreCase(L"", L""));
}

}  // namespace
}  // namespace tolk::stdx
