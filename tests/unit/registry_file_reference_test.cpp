#include <gtest/gtest.h>

#include <string>

#include "registry_file_scan/wide_window_bits.h"
#include "support/utf8_text_buffer.h"
#include "tests/support/reference_registry_file_reader.h"

namespace fernwick {
namespace {

using namespace std::string_literals;
using tests::reference::AnswersAlike;

// A view section of the object, which names docbases too (the second one where the blocks of the
// test below end), the same object's edit section with a line of the given length before it, and
// alternate paths that list the file.
std::string Sections(const std::string& longLine) {
    return "[documentum\\Common\\ViewFiles\\0900000180001234]\r\nFileName=C:\\V\\a.xml\r\n"
           "\\XML Applications\\first\\\r\n" +
           std::string(23, 'x') +
           "\\XML Applications\\arch\xC3\xA9ive\\Settings\r\n"
           "[documentum\\Common\\ViewFiles\\0900000180001234\\Alternate FilePaths]\r\n"
           "1=C:\\Work\\a.xml<D:\\b\xC3\xA9.xml\n" +
           longLine + "\r\n[DOCUMENTUM\\common\\WorkingFiles\\0900000180001234]\n\0User=u\r\r\n"s +
           "filename=C:\\W\\\xE4\x83\x83\r\n";
}

// Each test runs with the window masks that the processor takes fastest, and with SSE2's.
class RegistryFileReferenceTest : public testing::TestWithParam<bool> {
protected:
    void SetUp() override { tolk::stdx::UseAvx2() = GetParam() && fastest_; }
    void TearDown() override { tolk::stdx::UseAvx2() = fastest_; }

private:
    const bool fastest_ = tolk::stdx::UseAvx2();
};
INSTANTIATE_TEST_SUITE_P(WindowMasks, RegistryFileReferenceTest, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& masks) {
                             return masks.param ? "Fastest" : "Sse2";
                         });

bool AllAlike(const std::string& file) {
    return AnswersAlike(file, L"0900000180001234", L"C:\\W\\\u40C3") &&
           AnswersAlike(file, L"0900000180001234", L"D:\\b\u00E9.xml");
}

TEST_P(RegistryFileReferenceTest, ReaderAnswersAsTheReferenceWhereverTheTextBreaksOff) {
    for (const std::string wide : {"\xC3\xA9", "\xF0\x9F\x98\x80"}) {
        for (std::size_t units = 4092; units <= 4096; ++units) {
            std::string longLine(4080, 'x');
            for (std::size_t count = 4080; count < units; count += wide.size() / 2)
                longLine += wide;
            const std::string file = Sections(longLine);
            ASSERT_TRUE(AllAlike(file)) << units;
            ASSERT_TRUE(AllAlike("\xEF\xBB\xBF" + file));
        }
    }
    const std::string file = Sections("x");
    for (std::size_t at = 0; at <= file.size(); ++at) {
        for (const char* cut : {"\xFF", "\xC3", "\xED\xA0\x80", "\x1A", "\r"}) {
            ASSERT_TRUE(AllAlike(file.substr(0, at) + cut + file.substr(at))) << at << cut;
        }
    }
    // The same about the ends of the blocks that the file is read in; and lines that hold headers
    // up to the end of the first, where the bytes that the windows' test looks at behind its last
    // window end with what may be read.
    const std::string filler = "DocbaseName=filler\r\n";
    const std::string holdsHeader = "x[documentum\\Common\\ViewFiles\\0900000180009999]\n";
    for (std::size_t shift = 0; shift < 200; shift += 7) {
        std::string before(shift, 'y');
        while (before.size() < tolk::stdx::Utf8TextBuffer::kByteBlock - 150) before += filler;
        ASSERT_TRUE(AllAlike(before + "\n" + file)) << shift;
        ASSERT_TRUE(AllAlike(before + "\n" + file + file)) << shift;
        std::string headers = std::string(shift % 64, 'y') + "\n";
        while (headers.size() < tolk::stdx::Utf8TextBuffer::kByteBlock) headers += holdsHeader;
        ASSERT_TRUE(AllAlike(headers + file)) << shift;
    }
}

// Plain ASCII sections behind runs of short lines, so that each of their lines falls at every place
// of the stretches of lines that the scans pass by their bytes; the line of the given length stands
// among the sections, the view header ends in a bare line feed behind two short lines that begin as
// it does, and the edit header starts in upper case. The short lines hold a section of their own,
// whose header follows another line that a scan looks at; they end in a stretch of lines that no
// scan looks at, as do the second alternate path and the long line; the third is listed among
// look-alikes that blanks follow, the fourth before them and the fifth after them, at the end of
// its line; the sixth, after the first stretch, after a look-alike and before the blanks that end
// its line. In the edit section, a user name that a blank begins follows short lines, and the file
// name, its last letters in capitals, a line of 600 bytes and one of 100. Beside a long line of odd
// length, the alternate paths and the edit header hold zero bytes: one, or beside the shortest,
// runs that fill whole windows.
TEST_P(RegistryFileReferenceTest, ReaderAnswersAsTheReferenceBehindShortLines) {
    for (const std::size_t longLine : {1, 3, 4094, 4095}) {
        const std::string zero(longLine == 1 ? 200 : longLine % 2, '\0');
        std::string quiet;
        for (int i = 0; i < 100; ++i) quiet += "xy\n";
        const std::string sections =
            "[d\n[d\n[documentum\\Common\\ViewFiles\\0900000180001234]\nFileName=C:\\V\\a.xml\r\n"
            "[documentum\\Common\\ViewFiles\\0900000180001234\\Alternate FilePaths]\r\n"
            "1=C:\\Wo" +
            zero + "rk\\a.xml<E:\\e\n" + quiet + "6=E:\\jx<E:\\j \r\n2=D" + zero +
            ":\\b.xml\n3=E:\\f x<E:\\f\t x<E:\\f \t<E:\\g\n4=E:\\h<E:\\h x<E:\\h2\n5=E:\\i "
            "x<E:\\i2<E:\\i\n" +
            std::string(longLine, 'x') + "\r\n" + quiet + zero +
            "[DOCUMENTUM\\common\\WorkingFiles\\0900000180001234]\nUser=u\r\na\nb\nc\nd\n "
            "UserName=n\r\n" +
            std::string(600, 'x') + "\n" + std::string(100, 'k') + "\nfilename=C:\\W\\c.xML\r\n";
        // The same sections of another object, which a lookup that misses the first finds.
        std::string otherObjectsSections = sections;
        for (std::size_t at; (at = otherObjectsSections.find("1234")) != std::string::npos;)
            otherObjectsSections.replace(at, 4, "5678");
        std::string shortLines;
        for (int i = 0; i < 40; ++i) {
            shortLines += "[\nk\r\nF\n[x\\y]\nFileName=k\n";
            // A header that differs from the one sought in its last digit only.
            if (i % 8 == 0) shortLines += "[documentum\\Common\\ViewFiles\\0900000180001233]\n";
        }
        shortLines += quiet;
        for (std::size_t shift = 0; shift < 70; ++shift) {
            // The first line is looked at alone; the windows are laid from the end of it.
            const std::string file = "k\n" + std::string(shift, 'k') + "\n" + shortLines +
                                     sections + shortLines + otherObjectsSections;
            for (const wchar_t* fileName :
                 {L"C:\\W\\c.xml", L"D:\\b.xml", L"E:\\f", L"C:\\Work\\a.xml", L"C:\\V\\a.xml",
                  L"E:\\h", L"E:\\i", L"E:\\j", L"k"}) {
                ASSERT_TRUE(AnswersAlike(file, L"0900000180001234", fileName))
                    << longLine << " " << shift;
            }
        }
    }
}

// Lines sought behind zero bytes that fall at every place of the windows that the scans pass by
// their test: headers whose text the bytes of the path do not hold, the entry sought also after
// its first letter, and an alternate path after a line that lists another, and one longer than a
// window whose zero bytes stand far inside it; the lines between them hold zero bytes too. The
// view header is also the file's first line, read apart from the rest.
TEST_P(RegistryFileReferenceTest, ReaderAnswersAsTheReferenceBehindZeroBytes) {
    std::string quiet;
    for (int i = 0; i < 40; ++i) quiet += i < 20 ? "xy\n"s : "x\0y\n"s;
    for (const std::string& zeros : {"\0"s, "\0\0\0"s, std::string(70, '\0')}) {
        const std::string sections =
            zeros + "[documentum\\Common\\ViewFiles\\0900000180001234]\nFileName=E:\\V\\a.xml\n" +
            quiet + zeros +
            "[documentum\\Common\\ViewFiles\\0900000180001234\\Alternate FilePaths]\n" + quiet +
            zeros + "0=E" + zeros + ":\\V\\b.xml\n1=E:\\W\\c.xml\n2=E:\\" + std::string(69, 'p') +
            zeros + std::string(28, 'p') + "\n" + quiet + zeros +
            "[DOCUMENTUM\\common\\WorkingFiles\\0900000180001234]\n" + quiet + zeros + "F" + zeros +
            "ileName=E:\\W\\c.xml\r\n";
        for (std::size_t shift = 0; shift < 64; ++shift) {
            const std::string file =
                "k\n" + quiet + std::string(shift, 'k') + "\n" + sections + quiet;
            for (const std::wstring& fileName :
                 {L"E:\\W\\c.xml"s, L"E:\\V\\a.xml"s, L"E:\\" + std::wstring(97, L'p')}) {
                ASSERT_TRUE(AnswersAlike(file, L"0900000180001234", fileName)) << shift;
            }
        }
        ASSERT_TRUE(AnswersAlike(sections + quiet, L"0900000180001234", L"E:\\W\\c.xml"));
    }
}

// Section bodies that the reader takes by their bytes: each entry given again and again, the last
// one standing at every place of the windows of 64 bytes and of the blocks the file is read in,
// among lines that only look like entries, lines whose names the bytes do not show plainly, and a
// line too long to be read whole; the section ends at a header behind zero bytes, or at one that
// the user name of another section directly follows, after two user names and a look-alike; a
// line of another section comes last.
TEST_P(RegistryFileReferenceTest, ReaderTakesTheLastOfEachEntryAsTheReference) {
    const std::string header = "[documentum\\Common\\WorkingFiles\\0900000180001234]\r\n";
    const std::string lookalikes =
        "Users=a\nUserNames=b\nDocbase=c\nDomain Name=d\nfile=e\n=f\nUserName\n"s;
    const std::string hidden = " UserName =g\n\tdomainname\t=h\nUs\0er=i\n\0\0FILENAME=j\r\n"s;
    const std::string entries =
        "FileName=C:\\W\\c.xml\nDocbaseName=db\nUser = u\nDomainName=CORP\n";
    const std::string tails[] = {
        "UserName=\xC3\xA9\r\n\0\0[x]\nUser=after\n"s,
        "UserName=w\nUserName=\xC3\xA9\r\nUserNames=z\n[x]\nUserName=after\n"};
    for (const std::size_t bodyLines : {1, 2, 3, 700, 3000, 9000}) {
        for (const std::string& longLine :
             {std::string(), "UserName=" + std::string(4090, 'l') + "\n"}) {
            std::string body;
            for (std::size_t i = 0; i < bodyLines; ++i) {
                body += entries + "UserName=v" + std::to_string(i) + std::string(i % 61, ' ') +
                        "\n" + (i % 2 == 0 ? lookalikes : hidden);
            }
            for (std::size_t shift = 0; shift < 64; shift += 9) {
                const std::string file = std::string(shift, 'k') + "\n" + header + body + longLine +
                                         tails[shift % 2] + std::string(80, 'q') + "\n";
                ASSERT_TRUE(AnswersAlike(file, L"0900000180001234", L"C:\\W\\c.xml"))
                    << bodyLines << " " << longLine.size() << " " << shift;
            }
        }
    }
}

}  // namespace
}  // namespace fernwick
