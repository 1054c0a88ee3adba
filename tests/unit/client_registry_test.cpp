#include "registry_helper/client_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "tests/support/registry_store_memory.h"

namespace fernwick {
namespace {

using Hive = RegistryHive;
using ValueType = MemoryRegistryStore::ValueType;

constexpr Hive kUser = Hive::CurrentUser;
constexpr Hive kMachine = Hive::LocalMachine;
const std::wstring kEditList = L"SOFTWARE\\Documentum\\Common\\WorkingFiles";
const std::wstring kViewList = L"SOFTWARE\\Documentum\\Common\\ViewFiles";
const std::wstring kLastConnected = L"SOFTWARE\\Documentum\\Common\\LastConnectedDocbase";

std::wstring AlternatesKey(std::wstring_view id) {
    return kViewList + L"\\" + std::wstring(id) + L"\\Alternate FilePaths";
}

class ClientRegistryTest : public ::testing::Test {
protected:
    // A document key with FileName and the four details, the details derived from the docbase.
    void AddDocument(Hive hive, const std::wstring& list, std::wstring_view id,
                     std::wstring_view fileName, std::wstring_view docbase = L"archive") {
        const std::wstring key = list + L"\\" + std::wstring(id);
        store.SetString(hive, key, L"FileName", fileName);
        store.SetString(hive, key, L"DocbaseName", docbase);
        store.SetString(hive, key, L"UserName", L"Reviewer One");
        store.SetString(hive, key, L"User", L"reviewer1");
        store.SetString(hive, key, L"DomainName", L"CORP");
    }

    void TearDown() override { EXPECT_EQ(store.OpenKeyCount(), 0u) << "a key was left open"; }

    MemoryRegistryStore store;
    ClientRegistry registry{store};
    LookupState state;
};

using FindByObjectIdTest = ClientRegistryTest;

TEST_F(FindByObjectIdTest, ReadsTheRecordAndKeepsTheIdAsPassed) {
    AddDocument(kUser, kViewList, L"0900000000000a01", L"C:\\Work\\View\\manual.xml");
    state.current.FileName = L"stale";

    ASSERT_TRUE(registry.FindByObjectId(state, L"0900000000000A01", ClientLists::EditAndView));
    EXPECT_EQ(state.current,
              (LocalCopyRecord{L"0900000000000A01", L"archive", L"Reviewer One", L"reviewer1",
                               L"CORP", L"C:\\Work\\View\\manual.xml", OpenMode::View}));
}

TEST_F(FindByObjectIdTest, EditListWinsAndListChoiceIsHonoured) {
    AddDocument(kUser, kEditList, L"0900000000000a01", L"C:\\Work\\Edit\\manual.xml", L"edits");
    AddDocument(kUser, kViewList, L"0900000000000a01", L"C:\\Work\\View\\manual.xml", L"views");

    ASSERT_TRUE(registry.FindByObjectId(state, L"0900000000000a01", ClientLists::EditAndView));
    EXPECT_EQ(state.current.Origin, OpenMode::Edit);
    EXPECT_EQ(state.current.DocbaseName, L"edits");

    ASSERT_TRUE(registry.FindByObjectId(state, L"0900000000000a01", ClientLists::ViewOnly));
    EXPECT_EQ(state.current.Origin, OpenMode::View);
    EXPECT_EQ(state.current.FileName, L"C:\\Work\\View\\manual.xml");
    EXPECT_EQ(state.current.DocbaseName, L"views");

    AddDocument(kUser, kViewList, L"0900000000000b02", L"C:\\Work\\View\\other.xml");
    EXPECT_FALSE(registry.FindByObjectId(state, L"0900000000000b02", ClientLists::EditOnly));
    EXPECT_EQ(state.current, LocalCopyRecord{});
}

TEST_F(FindByObjectIdTest, LocalMachineServesOnlyDocumentKeysTheUserLacks) {
    AddDocument(kUser, kEditList, L"0900000000000a01", L"C:\\User\\one.xml", L"user");
    AddDocument(kMachine, kEditList, L"0900000000000a01", L"C:\\Machine\\one.xml", L"machine");
    AddDocument(kMachine, kEditList, L"0900000000000b02", L"C:\\Machine\\two.xml", L"machine");

    ASSERT_TRUE(registry.FindByObjectId(state, L"0900000000000a01", ClientLists::EditOnly));
    EXPECT_EQ(state.current.FileName, L"C:\\User\\one.xml");
    EXPECT_EQ(state.current.DocbaseName, L"user");

    ASSERT_TRUE(registry.FindByObjectId(state, L"0900000000000b02", ClientLists::EditOnly));
    EXPECT_EQ(state.current.FileName, L"C:\\Machine\\two.xml");
    EXPECT_EQ(state.current.Origin, OpenMode::Edit);
}

TEST_F(FindByObjectIdTest, EmptyIdReadsNothing) {
    AddDocument(kUser, kEditList, L"0900000000000a01", L"C:\\Work\\Edit\\manual.xml");
    state.current = {L"old", L"archive", L"u", L"u", L"d", L"C:\\old.xml", OpenMode::Edit};

    EXPECT_FALSE(registry.FindByObjectId(state, L"", ClientLists::EditAndView));
    EXPECT_EQ(store.OpenRequestCount(), 0u);
    EXPECT_EQ(state.current, LocalCopyRecord{});
}

TEST_F(FindByObjectIdTest, KeyWithoutFileNameAnswersFalseButNamesItsList) {
    const std::wstring editKey = kEditList + L"\\0900000000000a01";
    store.SetString(kUser, editKey, L"DocbaseName", L"archive");
    AddDocument(kUser, kViewList, L"0900000000000a01", L"C:\\Work\\View\\manual.xml");

    // The edit key opens first, so the complete view key is never consulted.
    EXPECT_FALSE(registry.FindByObjectId(state, L"0900000000000a01", ClientLists::EditAndView));
    EXPECT_EQ(state.current, (LocalCopyRecord{L"", L"", L"", L"", L"", L"", OpenMode::Edit}));

    EXPECT_TRUE(registry.FindByObjectId(state, L"0900000000000a01", ClientLists::ViewOnly));
}

TEST_F(FindByObjectIdTest, MissingDetailsAreEmptyAndAnEmptyFileNameCounts) {
    store.SetString(kUser, kEditList + L"\\0900000000000a01", L"FileName", L"");
    store.SetString(kUser, kEditList + L"\\0900000000000a01", L"User", L"reviewer1");

    ASSERT_TRUE(registry.FindByObjectId(state, L"0900000000000a01", ClientLists::EditAndView));
    EXPECT_EQ(state.current, (LocalCopyRecord{L"0900000000000a01", L"", L"", L"reviewer1", L"", L"",
                                              OpenMode::Edit}));
}

TEST_F(FindByObjectIdTest, ValueDataIsTextUpToTheFirstNulWhateverItsType) {
    const std::wstring key = kEditList + L"\\0900000000000a01";
    store.SetString(kUser, key, L"FileName", L"C:\\Work\\a.xml");
    // 'B','A' little-endian in a DWORD
    store.SetValue(kUser, key, L"DocbaseName", ValueType::Dword,
                   {std::byte{0x42}, std::byte{0}, std::byte{0x41}, std::byte{0}});
    // an odd last byte is no character
    store.SetValue(kUser, key, L"UserName", ValueType::Binary,
                   {std::byte{'o'}, std::byte{0}, std::byte{'k'}, std::byte{0}, std::byte{'!'}});
    store.SetValue(kUser, key, L"User", ValueType::String,
                   MemoryRegistryStore::Utf16LeBytes(L"no terminator"));
    store.SetValue(kUser, key, L"DomainName", ValueType::String,
                   MemoryRegistryStore::Utf16LeBytes(std::wstring(L"CORP\0junk", 9)));

    ASSERT_TRUE(registry.FindByObjectId(state, L"0900000000000a01", ClientLists::EditOnly));
    EXPECT_EQ(state.current.DocbaseName, L"BA");
    EXPECT_EQ(state.current.UserName, L"ok");
    EXPECT_EQ(state.current.User, L"no terminator");
    EXPECT_EQ(state.current.DomainName, L"CORP");
}

TEST_F(FindByObjectIdTest, FileNameMustLeaveRoomForItsTerminator) {
    const std::wstring key = kEditList + L"\\0900000000000a01";
    const std::wstring longest(1023, L'x');
    const std::wstring tooLong(1024, L'x');

    store.SetString(kUser, key, L"FileName", longest);
    ASSERT_TRUE(registry.FindByObjectId(state, L"0900000000000a01", ClientLists::EditOnly));
    EXPECT_EQ(state.current.FileName, longest);

    store.SetValue(kUser, key, L"FileName", ValueType::String,
                   MemoryRegistryStore::Utf16LeBytes(longest));
    EXPECT_TRUE(registry.FindByObjectId(state, L"0900000000000a01", ClientLists::EditOnly));

    store.SetString(kUser, key, L"FileName", tooLong);
    EXPECT_FALSE(registry.FindByObjectId(state, L"0900000000000a01", ClientLists::EditOnly));
    EXPECT_EQ(state.current.FileName, L"");

    // 2048 bytes fit the buffer, but leave no room for the NUL
    store.SetValue(kUser, key, L"FileName", ValueType::String,
                   MemoryRegistryStore::Utf16LeBytes(tooLong));
    EXPECT_FALSE(registry.FindByObjectId(state, L"0900000000000a01", ClientLists::EditOnly));

    // Data past the buffer makes the value missing even when its text ends early.
    store.SetValue(kUser, key, L"FileName", ValueType::String,
                   MemoryRegistryStore::Utf16LeBytes(std::wstring(L"C:\\a.xml\0", 9) + tooLong));
    EXPECT_FALSE(registry.FindByObjectId(state, L"0900000000000a01", ClientLists::EditOnly));
}

using FindByFileNameTest = ClientRegistryTest;

TEST_F(FindByFileNameTest, FindsEditThenViewKeepingTheQueriedText) {
    AddDocument(kUser, kEditList, L"0900000000000a01", L"C:\\Work\\Edit\\draft.xml", L"edits");
    AddDocument(kUser, kViewList, L"0900000000000b01", L"C:\\Work\\View\\other.xml", L"views");
    AddDocument(kUser, kViewList, L"0900000000000b02", L"C:\\Work\\View\\manual.xml", L"views");

    ASSERT_TRUE(registry.FindByFileName(state, L"c:\\WORK\\edit\\DRAFT.xml"));
    EXPECT_EQ(state.current,
              (LocalCopyRecord{L"0900000000000a01", L"edits", L"Reviewer One", L"reviewer1",
                               L"CORP", L"c:\\WORK\\edit\\DRAFT.xml", OpenMode::Edit}));

    ASSERT_TRUE(registry.FindByFileName(state, L"C:\\Work\\View\\manual.xml"));
    EXPECT_EQ(state.current.ObjectID, L"0900000000000b02");
    EXPECT_EQ(state.current.Origin, OpenMode::View);
    EXPECT_EQ(state.current.DocbaseName, L"views");
    EXPECT_EQ(state.enumerationPosition, 2u);

    EXPECT_FALSE(registry.FindByFileName(state, L"C:\\Work\\View\\absent.xml"));
    EXPECT_EQ(state.current, (LocalCopyRecord{L"", L"", L"", L"", L"",
                                              L"C:\\Work\\View\\absent.xml", OpenMode::None}));
}

TEST_F(FindByFileNameTest, ComparisonFoldsOnlyAsciiLettersOverTheWholeText) {
    AddDocument(kUser, kEditList, L"0900000000000a01", L"C:\\Work\\\u00C9t\u00E9.xml");
    AddDocument(kUser, kEditList, L"0900000000000a02", L"C:\\Work\\manual.xml.bak");
    AddDocument(kUser, kEditList, L"0900000000000a03", L"C:\\Work\\guide.xml");

    EXPECT_TRUE(registry.FindByFileName(state, L"c:\\work\\\u00C9T\u00E9.XML"));
    EXPECT_FALSE(registry.FindByFileName(state, L"C:\\Work\\\u00E9t\u00E9.xml"));
    EXPECT_FALSE(registry.FindByFileName(state, L"C:\\Work\\manual.xml"));
    EXPECT_FALSE(registry.FindByFileName(state, L"C:\\Work\\guide.xml.bak"));
    EXPECT_FALSE(registry.FindByFileName(state, L"C:\\Work\\guide.xm"));
}

TEST_F(FindByFileNameTest, AlternatePathsFindTheViewedDocument) {
    AddDocument(kUser, kViewList, L"0900000000000a01", L"C:\\Work\\View\\manual.xml");
    store.SetString(kUser, AlternatesKey(L"0900000000000a01"), L"1",
                    L"<D:\\Copies\\manual.xml<<E:\\Old\\manual.xml<");
    store.SetString(kUser, AlternatesKey(L"0900000000000a01"), L"2", L"F:\\Ignored\\manual.xml");

    for (const std::wstring path : {L"d:\\copies\\MANUAL.XML", L"E:\\Old\\manual.xml"}) {
        ASSERT_TRUE(registry.FindByFileName(state, path)) << path;
        EXPECT_EQ(state.current, (LocalCopyRecord{L"0900000000000a01", L"archive", L"Reviewer One",
                                                  L"reviewer1", L"CORP", path, OpenMode::View}));
    }
    EXPECT_FALSE(registry.FindByFileName(state, L"F:\\Ignored\\manual.xml"));
    EXPECT_FALSE(registry.FindByFileName(state, L"D:\\Copies\\manual.xml<E:\\Old\\manual.xml"));
    EXPECT_FALSE(registry.FindByFileName(state, L""));
    EXPECT_FALSE(registry.FindByFileName(state, L" D:\\Copies\\manual.xml"));
}

TEST_F(FindByFileNameTest, AlternatePathsAreConsultedOnlyInTheViewWalk) {
    AddDocument(kUser, kEditList, L"0900000000000a01", L"C:\\Work\\Edit\\manual.xml", L"edits");
    AddDocument(kUser, kViewList, L"0900000000000a01", L"C:\\Work\\View\\manual.xml", L"views");
    store.SetString(kUser, AlternatesKey(L"0900000000000a01"), L"1", L"D:\\Copies\\manual.xml");

    ASSERT_TRUE(registry.FindByFileName(state, L"D:\\Copies\\manual.xml"));
    EXPECT_EQ(state.current.Origin, OpenMode::View);
    EXPECT_EQ(state.current.DocbaseName, L"views");
}

TEST_F(FindByFileNameTest, KeyWithoutFileNameIsSkippedWithItsAlternatePaths) {
    store.SetString(kUser, kViewList + L"\\0900000000000a01", L"DocbaseName", L"lost");
    store.SetString(kUser, AlternatesKey(L"0900000000000a01"), L"1", L"D:\\Copies\\manual.xml");
    AddDocument(kUser, kViewList, L"0900000000000a02", L"D:\\Copies\\manual.xml");

    ASSERT_TRUE(registry.FindByFileName(state, L"D:\\Copies\\manual.xml"));
    EXPECT_EQ(state.current.ObjectID, L"0900000000000a02");
    EXPECT_EQ(state.current.DocbaseName, L"archive");

    store.SetString(kUser, kViewList + L"\\0900000000000a02", L"FileName", L"C:\\other.xml");
    EXPECT_FALSE(registry.FindByFileName(state, L"D:\\Copies\\manual.xml"));
}

TEST_F(FindByFileNameTest, LocalMachineListIsWalkedOnlyWithoutAUserList) {
    AddDocument(kUser, kEditList, L"0900000000000a01", L"C:\\Work\\Edit\\draft.xml");
    AddDocument(kMachine, kEditList, L"0900000000000a02", L"C:\\Work\\Edit\\shared.xml");
    AddDocument(kMachine, kViewList, L"0900000000000b01", L"C:\\Work\\View\\shared.xml");

    EXPECT_FALSE(registry.FindByFileName(state, L"C:\\Work\\Edit\\shared.xml"));

    ASSERT_TRUE(registry.FindByFileName(state, L"C:\\Work\\View\\shared.xml"));
    EXPECT_EQ(state.current.ObjectID, L"0900000000000b01");
    EXPECT_EQ(state.current.Origin, OpenMode::View);

    // Once the user has a view list the machine's is not walked; alternate paths are still looked
    // for per key and may come from the machine.
    AddDocument(kUser, kViewList, L"0900000000000b02", L"C:\\Work\\View\\mine.xml");
    store.SetString(kMachine, AlternatesKey(L"0900000000000b02"), L"1", L"D:\\Copies\\mine.xml");
    EXPECT_FALSE(registry.FindByFileName(state, L"C:\\Work\\View\\shared.xml"));
    ASSERT_TRUE(registry.FindByFileName(state, L"D:\\Copies\\mine.xml"));
    EXPECT_EQ(state.current.ObjectID, L"0900000000000b02");
}

TEST_F(FindByFileNameTest, SubkeyThatDoesNotOpenEndsTheWalkOfItsList) {
    AddDocument(kUser, kEditList, L"0900000000000a01", L"C:\\Work\\first.xml");
    AddDocument(kUser, kEditList, L"0900000000000a02", L"C:\\Work\\second.xml");
    AddDocument(kUser, kEditList, L"0900000000000a03", L"C:\\Work\\third.xml", L"edits");
    store.DenyAccess(kUser, kEditList + L"\\0900000000000a02");

    EXPECT_TRUE(registry.FindByFileName(state, L"C:\\Work\\first.xml"));
    EXPECT_FALSE(registry.FindByFileName(state, L"C:\\Work\\third.xml"));
    EXPECT_EQ(state.current.ObjectID, L"");

    AddDocument(kUser, kViewList, L"0900000000000a03", L"C:\\Work\\third.xml", L"views");
    ASSERT_TRUE(registry.FindByFileName(state, L"C:\\Work\\third.xml"));
    EXPECT_EQ(state.current.Origin, OpenMode::View);
    EXPECT_EQ(state.current.DocbaseName, L"views");
}

using ReadLastConnectedDocbaseTest = ClientRegistryTest;

TEST_F(ReadLastConnectedDocbaseTest, FillsTheCacheOnceANameIsThere) {
    registry.ReadLastConnectedDocbase(state);
    EXPECT_EQ(state.lastConnectedDocbase, L"");

    LookupState machineOnly;
    store.SetString(kMachine, kLastConnected, L"Docbase", L"machine");
    registry.ReadLastConnectedDocbase(machineOnly);
    EXPECT_EQ(machineOnly.lastConnectedDocbase, L"machine");

    // The key without its value is the user's, so the machine's value is never read.
    store.AddKey(kUser, kLastConnected);
    registry.ReadLastConnectedDocbase(state);
    EXPECT_EQ(state.lastConnectedDocbase, L"");

    store.SetString(kUser, kLastConnected, L"Docbase", L"archive");
    registry.ReadLastConnectedDocbase(state);
    EXPECT_EQ(state.lastConnectedDocbase, L"archive");

    store.SetString(kUser, kLastConnected, L"Docbase", L"later");
    const std::size_t requestsBefore = store.OpenRequestCount();
    registry.ReadLastConnectedDocbase(state);
    EXPECT_EQ(state.lastConnectedDocbase, L"archive");
    EXPECT_EQ(store.OpenRequestCount(), requestsBefore);
}

}  // namespace
}  // namespace fernwick
