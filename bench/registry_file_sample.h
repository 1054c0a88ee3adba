#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

// Generated registry files for the scan benchmarks of both builds.
namespace fernwick::bench {

// Text that no generated file holds, for scans that must read to the end.
constexpr const char* kAbsentObjectId = "0900ffffffffffff";
constexpr const char* kAbsentFileName = "C:\\Nowhere\\absent.xml";

// One document's section as the client writes it; two in three are view documents, each followed
// by its alternate paths.
inline std::string SampleSection(std::size_t index) {
    char id[17];
    std::snprintf(id, sizeof id, "09%014zx", index);
    const std::string list = index % 3 == 0 ? "WorkingFiles" : "ViewFiles";
    std::string text = "[documentum\\Common\\" + list + "\\" + id + "]\r\n" +
                       "FileName=C:\\Users\\reviewer1\\Documentum\\Checkout\\" + id +
                       "\\manual.xml\r\nDocbaseName=archive\r\nUserName=Reviewer One\r\n"
                       "User=reviewer1\r\nDomainName=CORP\r\n";
    if (list == "ViewFiles") {
        text += "[documentum\\Common\\ViewFiles\\" + std::string(id) +
                "\\Alternate FilePaths]\r\n1=C:\\Work\\View\\" + id + ".xml<D:\\Copies\\" + id +
                ".xml\r\n";
    }
    return text;
}

// Writes parts 0, 1, 2, ... until the file holds at least the given number of bytes.
inline void WriteSampleFile(const std::filesystem::path& file, std::size_t bytes,
                            const std::function<std::string(std::size_t)>& part = SampleSection) {
    std::ofstream out(file, std::ios::binary);
    std::string block;
    std::size_t written = 0;
    for (std::size_t i = 0; written < bytes; ++i) {
        block += part(i);
        if (block.size() > (1 << 20) || written + block.size() >= bytes) {
            out << block;
            written += block.size();
            block.clear();
        }
    }
}

}  // namespace fernwick::bench
