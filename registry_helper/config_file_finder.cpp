#include "registry_helper/config_file_finder.h"

#include <string_view>

namespace fernwick {

namespace {

constexpr std::wstring_view kConfigFileName = L"ucf.client.config.xml";
constexpr std::wstring_view kSearchRoots[] = {L"\\Documentum\\ucf", L"\\Documentum\\ucf-java"};
constexpr std::wstring_view kAllEntries = L"\\*.*";

bool IsSelfOrParent(std::wstring_view name) { return name == L"." || name == L".."; }

}  // namespace

std::wstring ConfigFileFinder::Find() {
    const std::optional<std::wstring> profile = directories_.ProfileFolder();
    if (!profile) return {};

    Walk walk;
    std::wstring folder;
    for (const std::wstring_view root : kSearchRoots) {
        folder.assign(*profile).append(root);
        CollectConfigFiles(folder, walk);
    }
    return std::move(walk.newestPath);
}

void ConfigFileFinder::CollectConfigFiles(std::wstring& folder, Walk& walk) {
    const std::size_t folderLength = folder.size();
    folder.append(kAllEntries);
    const std::unique_ptr<DirectorySearch> search = directories_.StartSearch(folder);
    folder.resize(folderLength);
    if (!search || !EnterFolder(folder, walk)) return;

    DirectoryEntry entry;
    while (search->Next(entry)) {
        if (entry.isDirectory) {
            if (IsSelfOrParent(entry.name)) continue;
            if (entry.isLink && !walk.linkMet) IdentifyFoldersEnteredBeforeLinks(walk);
            // Depth first: the subfolder is walked before the next entry of this one.
            folder.append(L"\\").append(entry.name);
            CollectConfigFiles(folder, walk);
            folder.resize(folderLength);
        } else if (entry.name == kConfigFileName &&
                   (walk.newestPath.empty() || entry.lastWriteSeconds > walk.newestSeconds)) {
            walk.newestPath.assign(folder).append(L"\\").append(entry.name);
            walk.newestSeconds = entry.lastWriteSeconds;
        }
    }
}

// A folder met again holds nothing new: among copies of equal time the one met first wins. One the
// system cannot identify is walked all the same.
bool ConfigFileFinder::EnterFolder(const std::wstring& folder, Walk& walk) {
    if (!walk.linkMet) {
        walk.enteredBeforeLinks.push_back(folder);
        return true;
    }
    const std::optional<DirectoryIdentity> identity = directories_.Identify(folder);
    return !identity || walk.entered.insert(*identity).second;
}

void ConfigFileFinder::IdentifyFoldersEnteredBeforeLinks(Walk& walk) {
    walk.linkMet = true;
    for (const std::wstring& folder : walk.enteredBeforeLinks) {
        if (const auto identity = directories_.Identify(folder)) walk.entered.insert(*identity);
    }
    walk.enteredBeforeLinks.clear();
}

}  // namespace fernwick
