// Registry files built from the pieces that the reader treats with care (the sections sought, CR,
// LF, zero bytes alone and in runs across many windows, 1A, byte-order marks, malformed bytes,
// lines about the length limit with multi-byte characters, and filler that moves them across block
// and chunk ends), read by the reader and by the reference, a plain model that decodes the whole
// file and splits it into lines: every lookup must answer alike.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "registry_file_scan/wide_window_bits.h"
#include "support/utf8_text_buffer.h"
#include "tests/support/reference_registry_file_reader.h"

namespace {

namespace reference = fernwick::tests::reference;

constexpr std::size_t kBlock = tolk::stdx::Utf8TextBuffer::kByteBlock;
// Across the ends of the first few blocks the file is read in.
constexpr std::size_t kMaxFileBytes = 4 * kBlock;

// A line of about the length limit: ASCII letters and then characters of 2, 3 or 4 bytes.
std::string LongLine(FuzzedDataProvider& input) {
    constexpr const char* kWide[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
                                     "\xEF\xBB\xBF"};
    std::string line(input.ConsumeIntegralInRange<std::size_t>(4070, 4100), 'a');
    const char* wide = kWide[input.ConsumeIntegralInRange<std::size_t>(0, 3)];
    for (auto count = input.ConsumeIntegralInRange(0, 12); count > 0; --count) line += wide;
    return line;
}

// Filler lines: a number of them, or as many as bring the file to a few bytes before the end of the
// block its end lies in, the last one cut there.
std::string Filler(FuzzedDataProvider& input, std::size_t fileSize) {
    const std::string line = "DocbaseName=archive filler line\r\n";
    std::string lines;
    if (input.ConsumeBool()) {
        for (auto count = input.ConsumeIntegralInRange(1, 2000); count > 0; --count) lines += line;
        return lines;
    }
    const std::size_t blockEnd = (fileSize / kBlock + 1) * kBlock;
    const std::size_t reach =
        blockEnd - std::min(blockEnd - fileSize, input.ConsumeIntegralInRange<std::size_t>(0, 200));
    while (fileSize + lines.size() < reach) lines += line;
    lines.resize(reach - fileSize);
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    // The window masks that the processor takes fastest, or SSE2's.
    static const bool fastest = tolk::stdx::UseAvx2();
    tolk::stdx::UseAvx2() = fastest && input.ConsumeBool();
    const std::string id = input.ConsumeRandomLengthString(20);
    const std::string name = input.ConsumeRandomLengthString(40);
    constexpr std::string_view kBreaks[] = {"\n",      "\r\n", "\r",          "\r\r\n",
                                            {"\0", 1}, "\x1A", "\xEF\xBB\xBF"};
    std::string file;
    while (input.remaining_bytes() > 0 && file.size() < kMaxFileBytes) {
        switch (input.ConsumeIntegralInRange(0, 10)) {
            case 0:
                file += "[documentum\\Common\\WorkingFiles\\" + id + "]";
                break;
            case 1:
                file += "[Documentum\\COMMON\\viewfiles\\" + id + "]";
                break;
            case 2:
                file += "[documentum\\Common\\ViewFiles\\" + id + "\\Alternate FilePaths]";
                break;
            case 3:
                file += "FileName=" + name;
                break;
            case 4:
                file += "1= C:\\Other.xml<" + name + " ";
                break;
            case 5:
                file +=
                    "DocbaseName=archive\r\nUserName=Reviewer\r\nUser=r1\r\nDomainName=CORP\r\n";
                break;
            case 6:
                file += kBreaks[input.ConsumeIntegralInRange<std::size_t>(0, 6)];
                break;
            case 7:
                file += LongLine(input);
                break;
            case 8:
                file += Filler(input, file.size());
                break;
            case 9:
                file += std::string(input.ConsumeIntegralInRange<std::size_t>(1, 4100), '\0');
                break;
            default:
                file += input.ConsumeRandomLengthString(8);
                break;
        }
    }
    if (!reference::AnswersAlike(file, reference::Decoded(id), reference::Decoded(name))) {
        __builtin_trap();
    }
    return 0;
}
