#pragma once

#include <cstdint>
#include <string>

#include "registry_helper/directory_source.h"

namespace fernwick {

// Finds the copy of the client's configuration file "ucf.client.config.xml" that was written last,
// below the user's profile folder in "Documentum\ucf" and then "Documentum\ucf-java". Only a file
// whose own name is exactly that, in that letter case, counts; folders of that name are searched
// like any other. Every call walks both trees afresh.
class ConfigFileFinder {
public:
    explicit ConfigFileFinder(DirectorySource& directories) : directories_(directories) {}

    // The full path of the newest copy, or the empty string when there is none. Of copies written
    // in the same second the one met first wins, so the first tree beats the second.
    std::wstring Find();

private:
    struct Newest {
        std::wstring path;  // empty while nothing has been found
        std::uint64_t lastWriteSeconds = 0;
    };

    // Walks folder depth first; folder is a path buffer that is extended and restored in place.
    void CollectConfigFiles(std::wstring& folder, Newest& newest);

    DirectorySource& directories_;
};

}  // namespace fernwick
