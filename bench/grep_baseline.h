#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fernwick::bench {

// grep reading the whole file for a text it does not hold: the plain byte search that the native
// scans are held against.
inline void Grep(const std::filesystem::path& file, const std::string& text) {
    const std::string command = "grep -c -F '" + text + "' '" + file.string() + "' >/dev/null";
    if (std::system(command.c_str()) == -1) std::abort();
}

}  // namespace fernwick::bench
