#pragma once

#include <cstdint>
#include <set>
#include <vector>
#include <string>

#include "registry_helper/directory_source.h"

namespace fernwick {

// Finds the copy of the client's configuration file "ucf.client.config.xml" that was written last,
// below the user's profile folder in "Documentum\ucf" and then "Documentum\ucf-java". Only a file
// whose own name is exactly that, in that letter case, counts; folders of that name are searched
// like any other. Every call walks both trees afresh, and enters each folder once however many
// links lead to it, so that links that loop cannot make the walk endless.
class ConfigFileFinder {
public:
    explicit ConfigFileFinder(DirectorySource& directories) : directories_(directories) {}

    // The full path of the newest copy, or the empty string when there is none. Of copies written
    // in the same second the one met first wins, so the first tree beats the second.
    std::wstring Find();

private:
    // What one call gathers: the newest copy met so far and the folders entered. Only a link
    // can lead into a folder a second time, so folders are identified only once a link is met:
    // until then their paths are kept instead.
    struct Walk {
        std::wstring newestPath;  // empty while nothing has been found
        std::uint64_t newestSeconds = 0;
        bool linkMet = false;
        std::vector<std::wstring> enteredBeforeLinks;
        std::set<DirectoryIdentity> entered;
    };

    // Walks folder depth first; folder is a path buffer that is extended and restored in place.
    void CollectConfigFiles(std::wstring& folder, Walk& walk);
    // False when the folder was entered before in this walk.
    bool EnterFolder(const std::wstring& folder, Walk& walk);
    void IdentifyFoldersEnteredBeforeLinks(Walk& walk);

    DirectorySource& directories_;
};

}  // namespace fernwick
