#include "registry_helper/config_file_finder.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/directory_source_memory.h"

namespace fernwick {
namespace {

const std::wstring kProfile = L"C:\\Users\\tester";
const std::wstring kUcf = kProfile + L"\\Documentum\\ucf";
const std::wstring kUcfJava = kProfile + L"\\Documentum\\ucf-java";
constexpr std::wstring_view kConfig = L"\\ucf.client.config.xml";

class ConfigFileFinderTest : public ::testing::Test {
protected:
    void SetUp() override { directories.SetProfileFolder(kProfile); }
    void TearDown() override {
        EXPECT_EQ(directories.OpenSearchCount(), 0u) << "a search was left open";
    }

    std::wstring Find() { return ConfigFileFinder(directories).Find(); }

    MemoryDirectorySource directories;
};

TEST_F(ConfigFileFinderTest, NothingToFindGivesTheEmptyString) {
    EXPECT_EQ(Find(), L"");

    directories.AddFile(kProfile + L"\\ucf.client.config.xml", 100);
    directories.AddFile(kProfile + L"\\Documentum\\ucf.client.config.xml", 100);
    directories.AddFolder(kUcf);
    EXPECT_EQ(Find(), L"");

    MemoryDirectorySource noProfile;
    noProfile.AddFile(kUcf + std::wstring(kConfig), 100);
    EXPECT_EQ(ConfigFileFinder(noProfile).Find(), L"");
}

TEST_F(ConfigFileFinderTest, SingleCopyInTheFirstRoot) {
    directories.AddFile(kUcf + L"\\readme.txt", 500);
    directories.AddFile(kUcf + std::wstring(kConfig), 100);
    EXPECT_EQ(Find(), L"C:\\Users\\tester\\Documentum\\ucf\\ucf.client.config.xml");
}

TEST_F(ConfigFileFinderTest, NewestCopyWinsInEitherTree) {
    const std::wstring first = kUcf + L"\\client\\config" + std::wstring(kConfig);
    const std::wstring second = kUcfJava + L"\\client" + std::wstring(kConfig);
    directories.AddFile(first, 200);
    directories.AddFile(second, 300);
    EXPECT_EQ(Find(), second);

    MemoryDirectorySource older;
    older.SetProfileFolder(kProfile);
    older.AddFile(first, 300);
    older.AddFile(second, 200);
    EXPECT_EQ(ConfigFileFinder(older).Find(), first);
}

TEST_F(ConfigFileFinderTest, OnEqualTimesTheCopyMetFirstInADepthFirstWalkWins) {
    const std::wstring nested = kUcf + L"\\a\\b" + std::wstring(kConfig);
    const std::wstring shallow = kUcf + std::wstring(kConfig);
    directories.AddFolder(kUcf + L"\\a");
    directories.AddFile(shallow, 100);
    directories.AddFile(nested, 100);
    directories.AddFile(kUcfJava + std::wstring(kConfig), 100);
    // "a" is listed before the file beside it, and its subtree is walked before that file.
    EXPECT_EQ(Find(), nested);
}

TEST_F(ConfigFileFinderTest, OnlyAFileWithExactlyThatNameIsACandidate) {
    const std::wstring real = kUcf + std::wstring(kConfig);
    directories.AddFile(real, 100);
    directories.AddFile(kUcf + L"\\ucf.client.config.xml.bak", 900);
    directories.AddFile(kUcf + L"\\UCF.CLIENT.CONFIG.XML", 900);
    directories.AddFile(kUcf + L"\\old-ucf.client.config.xml", 900);
    directories.AddFile(kUcfJava + L"\\ucf.client.config.xml\\notes.txt", 900);
    EXPECT_EQ(Find(), real);
}

TEST_F(ConfigFileFinderTest, FolderNamedLikeTheFileIsWalkedButNeverAnswered) {
    const std::wstring folder = kUcf + std::wstring(kConfig);
    directories.AddFolder(folder);
    EXPECT_EQ(Find(), L"");

    directories.AddFile(folder + std::wstring(kConfig), 100);
    EXPECT_EQ(Find(), folder + std::wstring(kConfig));
}

TEST_F(ConfigFileFinderTest, UnreadableAndTooDeepFoldersShrinkTheSearch) {
    directories.AddFile(kUcf + L"\\locked" + std::wstring(kConfig), 900);
    directories.DenyListing(kUcf + L"\\locked");
    directories.AddFile(kUcfJava + std::wstring(kConfig), 100);
    EXPECT_EQ(Find(), kUcfJava + std::wstring(kConfig));

    // The search pattern is the folder followed by "\*.*", at most 259 characters.
    const std::wstring base = kUcf + L"\\deep\\";
    const std::wstring deepest = base + std::wstring(259 - 4 - base.size(), L'd');
    const std::wstring tooDeep = base + std::wstring(260 - 4 - base.size(), L'e');
    directories.AddFile(tooDeep + std::wstring(kConfig), 800);
    EXPECT_EQ(Find(), kUcfJava + std::wstring(kConfig));
    directories.AddFile(deepest + std::wstring(kConfig), 700);
    EXPECT_EQ(Find(), deepest + std::wstring(kConfig));
}

TEST_F(ConfigFileFinderTest, LinksThatLoopLeaveTheAnswerAsWithoutThemAndEachFolderIsWalkedOnce) {
    // Long link names hold a walk that follows every link to a few levels, so that it ends.
    const std::wstring longName(25, L'n');
    directories.AddLink(kUcf + L"\\" + longName + L"1", kUcf);
    directories.AddLink(kUcf + L"\\" + longName + L"2", kUcf);
    const std::wstring copy = kUcf + L"\\client" + std::wstring(kConfig);
    directories.AddFile(copy, 100);
    directories.AddLink(kUcf + L"\\client\\" + longName, kUcf);
    directories.AddFile(kUcfJava + std::wstring(kConfig), 100);
    directories.AddLink(kUcfJava + L"\\ucf", kUcf);

    EXPECT_EQ(Find(), copy);
    // The two roots, "client" and the four links, each met once.
    EXPECT_EQ(directories.SearchesStarted(), 7u);
}

}  // namespace
}  // namespace fernwick
