// How many bytes the lookups of a registry file hand to the UTF-8 facet, in files of the shapes
// that once made a scan decode the same bytes again and again. This program links its own
// utf8Locale, whose facet counts the bytes it is given, in place of the library's.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "registry_helper/registry_file_reader.h"
#include "support/utf8_locale.h"
#include "support/utf8cvt.h"
#include "tests/support/memory_file_source.h"

namespace {

std::uint64_t bytesDecoded = 0;

class CountingUtf8cvt final : public tolk::stdx::utf8cvt<1> {
protected:
    result do_in(state_type& state, const extern_type* from, const extern_type* fromEnd,
                 const extern_type*& fromNext, intern_type* to, intern_type* toEnd,
                 intern_type*& toNext) const override {
        bytesDecoded += static_cast<std::uint64_t>(fromEnd - from);
        return utf8cvt<1>::do_in(state, from, fromEnd, fromNext, to, toEnd, toNext);
    }
};

}  // namespace

const std::locale tolk::stdx::utf8Locale(std::locale(), new CountingUtf8cvt);

namespace fernwick {
namespace {

std::string Repeated(const std::string& part, std::size_t bytes) {
    std::string text;
    while (text.size() < bytes) text += part;
    return text;
}

// A section of each list for the object whose values hold the text, as the client writes them.
std::string Sections(const std::string& text, const std::string& id = "0900000000000c03") {
    const std::string view = "[documentum\\Common\\ViewFiles\\" + id;
    return view + "]\r\nFileName=C:\\" + text + "\\view.xml\r\nUserName=" + text + "\r\n" + view +
           "\\Alternate FilePaths]\r\n1=D:\\" + text +
           ".xml\r\n[documentum\\Common\\WorkingFiles\\" + id + "]\r\nFileName=C:\\" + text +
           "\\edit.xml\r\nDocbaseName=" + text + "\r\n";
}

TEST(DecodedBytesTest, EveryLookupDecodesEachByteOfZeroBytesAndNonAsciiTextAtMostTwice) {
    using namespace std::string_literals;
    const std::string shapes[] = {
        Repeated("\0\n"s, 1 << 20),
        Repeated("a\0\n"s, 1 << 20),
        Repeated("k=v\0\n"s, 1 << 20),
        Repeated(std::string(4095, '\0') + "\n", 1 << 20),
        Repeated(std::string(32, 'z') + "\0"s + std::string(31, 'z') + "\n", 1 << 20),
        Repeated("k=\xC3\xA9\n", 1 << 20),
        Repeated(Sections("Zo\xC3\xAB Br\xC3\xABnt\xC3\xA9"), 1 << 20),
        Repeated(Sections("\xE6\x96\x87\xE6\x9B\xB8"), 1 << 20),
    };
    const std::function<bool(RegistryFileReader&)> lookups[] = {
        [](RegistryFileReader& r) {
            return r.FindByObjectId(L"0900000000000a01", ClientLists::EditAndView);
        },
        [](RegistryFileReader& r) {
            return r.FindByObjectId(L"0900000000000b02", ClientLists::ViewOnly);
        },
        [](RegistryFileReader& r) { return r.FindByFileName(L"C:\\found\\edit.xml"); },
        [](RegistryFileReader& r) { return r.FindByFileName(L"D:\\alternate.xml"); },
        [](RegistryFileReader& r) { return r.FindByFileName(L"C:\\absent.xml"); },
    };
    // Each shape ends in the sections that the lookups find, so that every lookup reads it all.
    const std::string end =
        Sections("found", "0900000000000a01") + Sections("alternate", "0900000000000b02");
    for (std::size_t shape = 0; shape < std::size(shapes); ++shape) {
        const std::string file = shapes[shape] + end;
        tests::MemoryFileSource files;
        files.Put(L"C:\\registry.txt", file);
        LookupState state;
        state.registryFile = L"C:\\registry.txt";
        RegistryFileReader reader(state, files);
        for (std::size_t lookup = 0; lookup < std::size(lookups); ++lookup) {
            bytesDecoded = 0;
            EXPECT_EQ(lookups[lookup](reader), lookup != 4) << shape << " " << lookup;
            EXPECT_LE(bytesDecoded, 2 * file.size()) << shape << " " << lookup;
        }
    }
}

}  // namespace
}  // namespace fernwick
