#include "registry_helper/lookup_state.h"

#include <gtest/gtest.h>

namespace fernwick {
namespace {

LookupState StateWithRecord() {
    LookupState state;
    state.enumerationPosition = 7;
    state.current = {L"0900000000000a01", L"archive", L"Reviewer One",
                     L"reviewer1",        L"CORP",    L"C:\\Work\\View\\manual.xml",
                     OpenMode::View};
    state.lastConnectedDocbase = L"archive";
    state.registryFile = L"C:\\reg.txt";
    return state;
}

TEST(LookupStateTest, StartingAQueryClearsTheRecordButKeepsCacheAndFile) {
    LookupState byId = StateWithRecord();
    byId.StartObjectIdQuery(L"0900000000000b02");
    EXPECT_EQ(byId.current,
              (LocalCopyRecord{L"0900000000000b02", L"", L"", L"", L"", L"", OpenMode::None}));
    EXPECT_EQ(byId.enumerationPosition, 0u);
    EXPECT_EQ(byId.lastConnectedDocbase, L"archive");
    EXPECT_EQ(byId.registryFile, L"C:\\reg.txt");

    LookupState byName = StateWithRecord();
    byName.StartFileNameQuery(L"D:\\Copies\\manual.xml");
    EXPECT_EQ(byName.current, (LocalCopyRecord{L"", L"", L"", L"", L"", L"D:\\Copies\\manual.xml",
                                               OpenMode::None}));
    EXPECT_EQ(byName.enumerationPosition, 0u);
    EXPECT_EQ(byName.lastConnectedDocbase, L"archive");
}

TEST(LookupStateTest, AdoptRecordKeepsTheQueriedKeyAndTakesEveryDetail) {
    const LocalCopyRecord found{L"0900000000000a01", L"archive", L"",
                                L"reviewer1",        L"CORP",    L"C:\\Work\\View\\manual.xml",
                                OpenMode::View};
    LookupState byName;
    byName.current.UserName = L"stale";
    byName.StartFileNameQuery(L"d:\\copies\\MANUAL.XML");
    byName.AdoptRecord(found);
    EXPECT_EQ(byName.current,
              (LocalCopyRecord{L"0900000000000a01", L"archive", L"", L"reviewer1", L"CORP",
                               L"d:\\copies\\MANUAL.XML", OpenMode::View}));

    LookupState byId;
    byId.StartObjectIdQuery(L"0900000000000A01");
    byId.AdoptRecord(found);
    EXPECT_EQ(byId.current.ObjectID, L"0900000000000A01");
    EXPECT_EQ(byId.current.FileName, L"C:\\Work\\View\\manual.xml");
}

}  // namespace
}  // namespace fernwick
