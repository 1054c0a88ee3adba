#include "tests/support/registry_writer_memory.h"

#include "support/ascii_case.h"

namespace fernwick {
namespace {

std::wstring Folded(std::wstring_view text) {
    std::wstring folded(text);
    for (auto& c : folded) c = tolk::stdx::AsciiToLower(c);
    return folded;
}

constexpr std::int32_t kFileNotFound = 2;

}  // namespace

std::wstring MemoryRegistryWriter::Id(RegistryRoot root, std::wstring_view path) {
    return std::to_wstring(static_cast<int>(root)) + L":" + Folded(path);
}

std::int32_t MemoryRegistryWriter::CreateKey(RegistryRoot root, std::wstring_view path) {
    if (refusal_) return refusal_;
    for (std::size_t end = 0; end != std::wstring_view::npos;) {
        end = path.find(L'\\', end + 1);
        const auto prefix = path.substr(0, end);
        keys_.try_emplace(Id(root, prefix), Key{std::wstring(prefix), {}});
    }
    return 0;
}

std::int32_t MemoryRegistryWriter::SetString(RegistryRoot root, std::wstring_view path,
                                             std::wstring_view name, std::wstring_view data) {
    if (refusal_) return refusal_;
    const auto key = keys_.find(Id(root, path));
    if (key == keys_.end()) return kFileNotFound;
    key->second.values[Folded(name)] = {std::wstring(name), std::wstring(data)};
    return 0;
}

std::int32_t MemoryRegistryWriter::DeleteValue(RegistryRoot root, std::wstring_view path,
                                               std::wstring_view name) {
    if (refusal_) return refusal_;
    const auto key = keys_.find(Id(root, path));
    if (key != keys_.end()) key->second.values.erase(Folded(name));
    return 0;
}

std::int32_t MemoryRegistryWriter::DeleteTree(RegistryRoot root, std::wstring_view path) {
    if (refusal_) return refusal_;
    const std::wstring id = Id(root, path);
    keys_.erase(id);
    const std::wstring below = id + L"\\";
    for (auto key = keys_.lower_bound(below);
         key != keys_.end() && key->first.compare(0, below.size(), below) == 0;) {
        key = keys_.erase(key);
    }
    return 0;
}

bool MemoryRegistryWriter::KeyExists(RegistryRoot root, std::wstring_view path) {
    return keys_.count(Id(root, path)) != 0;
}

bool MemoryRegistryWriter::HasSubkeys(RegistryRoot root, std::wstring_view path) {
    const std::wstring below = Id(root, path) + L"\\";
    const auto key = keys_.lower_bound(below);
    return key != keys_.end() && key->first.compare(0, below.size(), below) == 0;
}

std::vector<std::wstring> MemoryRegistryWriter::KeyPaths() const {
    std::vector<std::wstring> paths;
    for (const auto& [id, key] : keys_) paths.push_back(id.substr(0, id.find(L':') + 1) + key.path);
    return paths;
}

std::optional<std::wstring> MemoryRegistryWriter::Value(RegistryRoot root, std::wstring_view path,
                                                        std::wstring_view name) const {
    const auto key = keys_.find(Id(root, path));
    if (key == keys_.end()) return std::nullopt;
    const auto value = key->second.values.find(Folded(name));
    if (value == key->second.values.end()) return std::nullopt;
    return value->second.second;
}

}  // namespace fernwick
