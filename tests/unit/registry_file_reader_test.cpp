#include "registry_helper/registry_file_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/std_file_source.h"
#include "tests/support/temp_files.h"

namespace fernwick {
namespace {

using tests::TempDirectory;

constexpr std::string_view kExample =
    "[documentum\\Common\\ViewFiles\\0900000000000a01]\r\n"
    "FileName=C:\\Work\\View\\manual.xml\r\n"
    "DocbaseName=archive\r\n"
    "UserName=Reviewer One\r\n"
    "User=reviewer1\r\n"
    "DomainName=CORP\r\n"
    "[documentum\\Common\\ViewFiles\\0900000000000a01\\Alternate FilePaths]\r\n"
    "1=C:\\Work\\View\\manual.xml<D:\\Copies\\manual.xml\r\n"
    "[documentum\\Common\\WorkingFiles\\0900000000000b02]\r\n"
    "FileName=C:\\Work\\Edit\\guide.xml\r\n"
    "DocbaseName=archive\r\n"
    "UserName=Reviewer One\r\n"
    "User=reviewer1\r\n"
    "DomainName=CORP\r\n"
    "[documentum\\XML Applications\\archive\\Settings]\r\n";

const LocalCopyRecord kManual{L"0900000000000a01", L"archive", L"Reviewer One",
                              L"reviewer1",        L"CORP",    L"C:\\Work\\View\\manual.xml",
                              OpenMode::View};

class RegistryFileReaderTest : public ::testing::Test {
protected:
    // Points the helper state at a new file with these bytes.
    void UseFile(std::string_view bytes) { state.registryFile = directory.Write(Next(), bytes); }

    std::string Next() { return "registry" + std::to_string(files++) + ".txt"; }

    TempDirectory directory;
    StdFileSource fileSystem;
    LookupState state;
    RegistryFileReader reader{state, fileSystem};
    int files = 0;
};

TEST_F(RegistryFileReaderTest, AnswersTheExampleFile) {
    for (const std::string& bytes :
         {std::string(kExample), "\xEF\xBB\xBF" + std::string(kExample)}) {
        UseFile(bytes);
        EXPECT_TRUE(reader.FindByObjectId(L"0900000000000a01", ClientLists::EditAndView));
        EXPECT_EQ(state.current, kManual);

        EXPECT_TRUE(reader.FindByFileName(L"D:\\Copies\\manual.xml"));
        EXPECT_EQ(state.current,
                  (LocalCopyRecord{L"0900000000000a01", L"archive", L"Reviewer One", L"reviewer1",
                                   L"CORP", L"D:\\Copies\\manual.xml", OpenMode::View}));

        EXPECT_TRUE(reader.FindByFileName(L"c:\\work\\edit\\GUIDE.XML"));
        EXPECT_EQ(state.current,
                  (LocalCopyRecord{L"0900000000000b02", L"archive", L"Reviewer One", L"reviewer1",
                                   L"CORP", L"c:\\work\\edit\\GUIDE.XML", OpenMode::Edit}));

        state.lastConnectedDocbase.clear();
        reader.ReadLastConnectedDocbase();
        EXPECT_EQ(state.lastConnectedDocbase, L"archive");
    }
}

TEST_F(RegistryFileReaderTest, MissingFileLeavesThePreviousAnswerAndUnopenableFileResetsIt) {
    UseFile(kExample);
    ASSERT_TRUE(reader.FindByObjectId(L"0900000000000a01", ClientLists::EditAndView));

    state.registryFile = (directory.path() / "absent.txt").wstring();
    EXPECT_FALSE(reader.RegistryFileExists());
    EXPECT_FALSE(reader.FindByObjectId(L"0900000000000b02", ClientLists::EditAndView));
    EXPECT_FALSE(reader.FindByFileName(L"C:\\Work\\Edit\\guide.xml"));
    EXPECT_EQ(state.current, kManual);
    reader.ReadLastConnectedDocbase();
    EXPECT_EQ(state.lastConnectedDocbase, L"");

    state.registryFile = directory.path().wstring();
    EXPECT_TRUE(reader.RegistryFileExists());
    EXPECT_FALSE(reader.FindByObjectId(L"0900000000000b02", ClientLists::EditAndView));
    EXPECT_EQ(state.current,
              (LocalCopyRecord{L"0900000000000b02", L"", L"", L"", L"", L"", OpenMode::None}));
    EXPECT_FALSE(reader.FindByFileName(L"C:\\x.xml"));
    EXPECT_EQ(state.current,
              (LocalCopyRecord{L"", L"", L"", L"", L"", L"C:\\x.xml", OpenMode::None}));

    UseFile(kExample);
    EXPECT_FALSE(reader.FindByObjectId(L"", ClientLists::EditAndView));
    EXPECT_EQ(state.current, LocalCopyRecord{});
    EXPECT_FALSE(reader.FindByFileName(L""));
    EXPECT_EQ(state.current, LocalCopyRecord{});

    state.registryFile.clear();
    EXPECT_FALSE(reader.RegistryFileExists());
}

TEST_F(RegistryFileReaderTest, ObjectIdLookupTakesACompleteEditSectionBeforeAViewSection) {
    const std::string viewComplete =
        "[documentum\\Common\\ViewFiles\\id1]\nFileName=C:\\v.xml\nDocbaseName=viewbase\n";
    const std::string editComplete =
        "[documentum\\Common\\WorkingFiles\\id1]\nFileName=C:\\e.xml\nDocbaseName=editbase\n";
    const std::string editWithoutFile = "[documentum\\Common\\WorkingFiles\\id1]\nUser=u\n";
    const std::string other = "[other]\n";

    UseFile(viewComplete + other + editWithoutFile);
    EXPECT_TRUE(reader.FindByObjectId(L"id1", ClientLists::EditAndView));
    EXPECT_EQ(state.current.Origin, OpenMode::View);
    EXPECT_EQ(state.current.FileName, L"C:\\v.xml");

    UseFile(editWithoutFile + viewComplete);
    EXPECT_FALSE(reader.FindByObjectId(L"id1", ClientLists::EditAndView));
    EXPECT_EQ(state.current, (LocalCopyRecord{L"id1", L"", L"", L"", L"", L"", OpenMode::None}));

    for (const std::string& bytes : {viewComplete + other + editComplete,
                                     editComplete + viewComplete, viewComplete + editComplete}) {
        UseFile(bytes);
        EXPECT_TRUE(reader.FindByObjectId(L"id1", ClientLists::EditAndView));
        EXPECT_EQ(state.current, (LocalCopyRecord{L"id1", L"editbase", L"", L"", L"", L"C:\\e.xml",
                                                  OpenMode::Edit}));
    }

    UseFile(viewComplete);
    EXPECT_FALSE(reader.FindByObjectId(L"id1", ClientLists::EditOnly));
    EXPECT_EQ(state.current.ObjectID, L"id1");
    EXPECT_TRUE(reader.FindByObjectId(L"id1", ClientLists::ViewOnly));
    EXPECT_EQ(state.current.Origin, OpenMode::View);

    UseFile(viewComplete + editComplete);
    EXPECT_TRUE(reader.FindByObjectId(L"id1", ClientLists::ViewOnly));
    EXPECT_EQ(state.current.FileName, L"C:\\v.xml");
}

TEST_F(RegistryFileReaderTest, HeadersAndEntriesFollowTheFileRules) {
    UseFile(
        "[DOCUMENTUM\\common\\workingfiles\\0900000000000B02]\n"
        "  fileNAME \t=  C:\\a=b.xml  \n"
        "=ignored\n"
        "no equals sign\n"
        "docbasename=first\n"
        "DocbaseName=second\n"
        "user name=not an entry of ours\n"
        "[documentum\\Common\\WorkingFiles\\trailing] \n"
        "FileName=C:\\t.xml\n");
    EXPECT_TRUE(reader.FindByObjectId(L"0900000000000b02", ClientLists::EditOnly));
    EXPECT_EQ(state.current, (LocalCopyRecord{L"0900000000000b02", L"second", L"", L"", L"",
                                              L"C:\\a=b.xml", OpenMode::Edit}));
    EXPECT_FALSE(reader.FindByObjectId(L"trailing", ClientLists::EditOnly));
    // Only ASCII letters fold.
    UseFile("[documentum\\Common\\WorkingFiles\\\xC3\xA9]\nFileName=C:\\x\n");
    EXPECT_FALSE(reader.FindByObjectId(L"\x00C9", ClientLists::EditOnly));
    EXPECT_TRUE(reader.FindByObjectId(L"\x00E9", ClientLists::EditOnly));
}

TEST_F(RegistryFileReaderTest, FileNameLookupReadsTheWholeMatchingSection) {
    UseFile(
        "[documentum\\Common\\ViewFiles\\abc]\n"
        "DocbaseName=before\n"
        "FileName=C:\\doc.xml\n"
        "User=after\n"
        "[documentum\\Common\\WorkingFiles\\later]\n"
        "FileName=C:\\doc.xml\n"
        "[documentum\\Common\\WorkingFiles\\blanks]\n"
        "FileName = C:\\blank.xml\n");
    EXPECT_TRUE(reader.FindByFileName(L"C:\\DOC.xml"));
    EXPECT_EQ(state.current, (LocalCopyRecord{L"abc", L"before", L"", L"after", L"", L"C:\\DOC.xml",
                                              OpenMode::View}));
    EXPECT_FALSE(reader.FindByFileName(L"C:\\blank.xml"));
    EXPECT_EQ(state.current,
              (LocalCopyRecord{L"", L"", L"", L"", L"", L"C:\\blank.xml", OpenMode::None}));

    // Object IDs are cut at 16 units or the closing bracket, whichever comes first.
    UseFile("[documentum\\Common\\WorkingFiles\\0900000000000b02XYZ]\nFileName=C:\\long.xml\n");
    EXPECT_TRUE(reader.FindByFileName(L"C:\\long.xml"));
    EXPECT_EQ(state.current.ObjectID, L"0900000000000b02");

    UseFile("FileName=C:\\orphan.xml\n[documentum\\Common\\WorkingFiles\\x]\n");
    EXPECT_FALSE(reader.FindByFileName(L"C:\\orphan.xml"));
}

TEST_F(RegistryFileReaderTest, AlternatePathsMatchWholePathsOfTheSectionBefore) {
    UseFile(
        "[documentum\\Common\\WorkingFiles\\edit1]\n"
        "FileName=C:\\e.xml\n"
        "DomainName=CORP\n"
        "[documentum\\Common\\WorkingFiles\\edit1\\Alternate FilePaths]\n"
        "1=<<C:\\b.xml<<C:\\a.xml.bak<\n"
        "2 = C:\\second.xml\n"
        "[documentum\\Common\\ViewFiles\\view1]\n"
        "FileName=C:\\v.xml\n"
        "[documentum\\Common\\ViewFiles\\view1\\Alternate FilePaths]\n"
        "1=C:\\a.xml\n");
    EXPECT_TRUE(reader.FindByFileName(L"C:\\a.xml"));
    EXPECT_EQ(state.current,
              (LocalCopyRecord{L"view1", L"", L"", L"", L"", L"C:\\a.xml", OpenMode::View}));
    for (const wchar_t* path : {L"C:\\b.xml", L"C:\\second.xml", L"C:\\a.xml.bak"}) {
        EXPECT_TRUE(reader.FindByFileName(path)) << path;
        EXPECT_EQ(state.current,
                  (LocalCopyRecord{L"edit1", L"", L"", L"", L"CORP", path, OpenMode::Edit}));
    }
    EXPECT_FALSE(reader.FindByFileName(L"c:\\b.xml"));
    EXPECT_FALSE(reader.FindByFileName(L"C:\\b"));

    UseFile(
        "[documentum\\Common\\ViewFiles\\v\\Alternate FilePaths]\n"
        "1=C:\\first.xml\n");
    EXPECT_FALSE(reader.FindByFileName(L"C:\\first.xml"));
}

TEST_F(RegistryFileReaderTest, ScansEndAtMalformedBytesAndOverlongLines) {
    const std::string before = "[documentum\\Common\\WorkingFiles\\before]\nFileName=C:\\b.xml\n";
    const std::string after = "[documentum\\Common\\WorkingFiles\\after]\nFileName=C:\\a.xml\n";
    for (const std::string& breaker :
         {std::string("bad \xC3\x28 byte\n"), std::string(4095, 'x') + "\n"}) {
        UseFile(before + breaker + after);
        EXPECT_TRUE(reader.FindByObjectId(L"before", ClientLists::EditAndView));
        EXPECT_FALSE(reader.FindByObjectId(L"after", ClientLists::EditAndView));
        EXPECT_FALSE(reader.FindByFileName(L"C:\\a.xml"));
    }
    UseFile(before + std::string(4094, 'x') + "\n" + after);
    EXPECT_TRUE(reader.FindByObjectId(L"after", ClientLists::EditAndView));

    // The part of a section read before the malformed byte still counts.
    UseFile("[documentum\\Common\\WorkingFiles\\cut]\nFileName=C:\\c.xml\nUser=ab\xFF\n");
    EXPECT_TRUE(reader.FindByObjectId(L"cut", ClientLists::EditOnly));
    EXPECT_EQ(state.current.User, L"ab");

    // UTF-16 with its byte-order mark is malformed from the first byte.
    std::string utf16 = "\xFF\xFE";
    for (char c : after) utf16 += std::string{c, '\0'};
    UseFile(utf16);
    EXPECT_FALSE(reader.FindByObjectId(L"after", ClientLists::EditAndView));

    // Carriage returns without line feeds make one line.
    UseFile("[documentum\\Common\\WorkingFiles\\cr]\rFileName=C:\\cr.xml\r");
    EXPECT_FALSE(reader.FindByObjectId(L"cr", ClientLists::EditAndView));

    // The byte 1A ends the text.
    UseFile(before + "\x1A" + after);
    EXPECT_FALSE(reader.FindByObjectId(L"after", ClientLists::EditAndView));

    // Zero bytes vanish.
    UseFile(std::string("[documentum\\Common\\Working\0Files\\zero]\nFile\0Name=C:\\z.xml\n", 54));
    EXPECT_TRUE(reader.FindByObjectId(L"zero", ClientLists::EditAndView));
}

TEST_F(RegistryFileReaderTest, LastConnectedDocbaseIsTheFirstNameAfterXmlApplications) {
    const std::string longLine =
        std::string(100000, 'x') + "\\XML Applications\\" + std::string(70000, 'n') + "\\tail\n";
    const struct {
        std::string bytes;
        std::wstring docbase;
    } cases[] = {
        {"\\XML Applications\\skipped\\\n[a\\XML Applications\\second\\x]\r\n", L"second"},
        {"\\XML Applications\\x\\XML Applications\\same\\\na\\XML Applications\\next\\\n", L"next"},
        {"[a\\XML Applications\\noslash]\n", L""},
        {"[a\\XML Applications\\\\\n[a\\XML Applications\\later\\\n", L""},
        {"x\\XML Applications\\b\xC3\xA9\\\n", L"b\x00C3\x00A9"},
        {"x\x1A\\XML Applications\\hidden\\\n", L""},
        {"xx\\XML Applications\\XML Applications\\deep\\\n", L"XML Applications"},
        {"\\XML Applications\\" + std::string(200, 'x') + "\\XML Applications\\same\\\n", L""},
        {longLine, std::wstring(4094, L'n')},  // cut as lines are
    };
    for (const auto& c : cases) {
        UseFile(c.bytes);
        state.lastConnectedDocbase.clear();
        reader.ReadLastConnectedDocbase();
        EXPECT_EQ(state.lastConnectedDocbase, c.docbase) << c.bytes.substr(0, 60);
    }

    // Lines that begin with the marker pass many at a time: a name after the marker inside a line
    // among them is found wherever it falls.
    std::string markerLines;
    for (int i = 0; i < 8; ++i) markerLines += "\\XML Applications\\a\\\n";
    for (std::size_t shift = 1; shift < 130; ++shift) {
        UseFile(markerLines + std::string(shift, 'x') + "\\XML Applications\\found\\\n" +
                markerLines);
        state.lastConnectedDocbase.clear();
        reader.ReadLastConnectedDocbase();
        EXPECT_EQ(state.lastConnectedDocbase, L"found") << shift;
    }

    // Once found, the name is not read again.
    UseFile("[a\\XML Applications\\other\\]\n");
    state.lastConnectedDocbase = L"archive";
    reader.ReadLastConnectedDocbase();
    EXPECT_EQ(state.lastConnectedDocbase, L"archive");
}

TEST_F(RegistryFileReaderTest, AlternatePathsSectionsOwnNoRecord) {
    UseFile(
        "[documentum\\Common\\ViewFiles\\v1]\n"
        "FileName=C:\\v.xml\n"
        "[documentum\\Common\\ViewFiles\\v1\\Alternate FilePaths]\n"
        "FileName=C:\\first.xml\n"
        "[documentum\\Common\\ViewFiles\\v1\\Alternate FilePaths]\n"
        "1=C:\\second.xml\n"
        "FileName=C:\\third.xml\n"
        "[documentum\\Common\\WorkingFiles\\later]\n"
        "FileName=C:\\third.xml\n");
    // Inside an alternate-paths section a FileName entry lists one more path of the object before.
    EXPECT_TRUE(reader.FindByFileName(L"C:\\first.xml"));
    EXPECT_EQ(state.current.ObjectID, L"v1");
    EXPECT_FALSE(reader.FindByFileName(L"C:\\second.xml"));
    EXPECT_EQ(state.current.ObjectID, L"");
    EXPECT_TRUE(reader.FindByFileName(L"C:\\third.xml"));
    EXPECT_EQ(state.current.ObjectID, L"later");

    // An ID with a backslash would reach the alternate-paths header.
    EXPECT_FALSE(reader.FindByObjectId(L"v1\\Alternate FilePaths", ClientLists::EditAndView));
    EXPECT_EQ(state.current, (LocalCopyRecord{L"v1\\Alternate FilePaths", L"", L"", L"", L"", L"",
                                              OpenMode::None}));
}

TEST_F(RegistryFileReaderTest, PathWithANulNamesNoFile) {
    UseFile(kExample);
    ASSERT_TRUE(reader.FindByObjectId(L"0900000000000a01", ClientLists::EditAndView));
    state.registryFile += std::wstring(L"\0junk", 5);
    EXPECT_FALSE(reader.FindByObjectId(L"0900000000000b02", ClientLists::EditAndView));
    EXPECT_EQ(state.current, kManual);
}

}  // namespace
}  // namespace fernwick
