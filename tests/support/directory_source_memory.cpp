#include "tests/support/directory_source_memory.h"

#include <vector>

#include "support/ascii_case.h"

namespace fernwick {

struct MemoryDirectorySource::Folder {
    struct Entry {
        std::wstring name;
        std::uint64_t lastWriteSeconds = 0;
        std::unique_ptr<Folder> folder;  // null for a file and a link
        Folder* link = nullptr;          // the folder a link leads to

        Folder* Target() const { return folder ? folder.get() : link; }
    };

    bool listingDenied = false;
    std::vector<Entry> entries;  // in the order they were added

    Entry* Find(std::wstring_view name) {
        for (Entry& entry : entries) {
            if (tolk::stdx::AsciiEqualsIgnoreCase(entry.name, name)) return &entry;
        }
        return nullptr;
    }
};

class MemoryDirectorySource::Search final : public DirectorySearch {
public:
    Search(const Folder& folder, std::size_t& openSearches)
        : folder_(folder), openSearches_(openSearches) {
        ++openSearches_;
    }
    ~Search() override { --openSearches_; }
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;

    bool Next(DirectoryEntry& entry) override {
        static constexpr std::wstring_view kSelfAndParent[] = {L".", L".."};
        const std::size_t position = position_++;
        if (position < std::size(kSelfAndParent)) {
            entry = {kSelfAndParent[position], true, false, 0};
            return true;
        }
        const std::size_t index = position - std::size(kSelfAndParent);
        if (index >= folder_.entries.size()) return false;
        const Folder::Entry& found = folder_.entries[index];
        entry = {found.name, found.Target() != nullptr, found.link != nullptr,
                 found.lastWriteSeconds};
        return true;
    }

private:
    const Folder& folder_;
    std::size_t& openSearches_;
    std::size_t position_ = 0;
};

namespace {

// Calls visit with each name of a "\"-separated path, skipping empty ones.
template <typename Visit>
void ForEachName(std::wstring_view path, Visit visit) {
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring_view::npos) end = path.size();
        if (end > start) visit(path.substr(start, end - start));
        start = end + 1;
    }
}

}  // namespace

MemoryDirectorySource::MemoryDirectorySource() : root_(std::make_unique<Folder>()) {}

MemoryDirectorySource::~MemoryDirectorySource() = default;

MemoryDirectorySource::Folder& MemoryDirectorySource::CreateFolder(std::wstring_view path) {
    Folder* folder = root_.get();
    ForEachName(path, [&folder](std::wstring_view name) {
        Folder::Entry* entry = folder->Find(name);
        if (!entry) {
            folder->entries.push_back({std::wstring(name), 0, std::make_unique<Folder>()});
            entry = &folder->entries.back();
        }
        folder = entry->Target();
    });
    return *folder;
}

MemoryDirectorySource::Folder* MemoryDirectorySource::FindFolder(std::wstring_view path) {
    Folder* folder = root_.get();
    ForEachName(path, [&folder](std::wstring_view name) {
        if (!folder) return;
        Folder::Entry* entry = folder->Find(name);
        folder = entry ? entry->Target() : nullptr;
    });
    return folder;
}

void MemoryDirectorySource::AddFolder(std::wstring_view path) { CreateFolder(path); }

void MemoryDirectorySource::AddFile(std::wstring_view path, std::uint64_t lastWriteSeconds) {
    const std::size_t separator = path.rfind(L'\\');
    Folder& folder = CreateFolder(path.substr(0, separator));
    folder.entries.push_back(
        {std::wstring(path.substr(separator + 1)), lastWriteSeconds, nullptr, nullptr});
}

void MemoryDirectorySource::AddLink(std::wstring_view path, std::wstring_view target) {
    Folder& leadsTo = CreateFolder(target);
    const std::size_t separator = path.rfind(L'\\');
    Folder& folder = CreateFolder(path.substr(0, separator));
    folder.entries.push_back({std::wstring(path.substr(separator + 1)), 0, nullptr, &leadsTo});
}

void MemoryDirectorySource::DenyListing(std::wstring_view path) {
    CreateFolder(path).listingDenied = true;
}

std::unique_ptr<DirectorySearch> MemoryDirectorySource::StartSearch(std::wstring_view pattern) {
    static constexpr std::wstring_view kAllEntries = L"\\*.*";
    if (pattern.size() > kMaxPatternLength || !pattern.ends_with(kAllEntries)) return nullptr;
    const Folder* folder = FindFolder(pattern.substr(0, pattern.size() - kAllEntries.size()));
    if (!folder || folder->listingDenied) return nullptr;
    ++searchesStarted_;
    return std::make_unique<Search>(*folder, openSearches_);
}

std::optional<DirectoryIdentity> MemoryDirectorySource::Identify(std::wstring_view folder) {
    const Folder* found = FindFolder(folder);
    if (!found) return std::nullopt;
    return DirectoryIdentity{0, reinterpret_cast<std::uintptr_t>(found)};
}

}  // namespace fernwick
