#include "tests/support/registry_store_memory.h"

#include <algorithm>
#include <span>
#include <utility>

#include "registry_helper/registry_value_text.h"
#include "support/ascii_case.h"

namespace fernwick {

struct MemoryRegistryStore::Key {
    struct Value {
        std::wstring name;
        ValueType type;
        std::vector<std::byte> data;
    };

    std::wstring name;
    bool accessDenied = false;
    std::vector<std::unique_ptr<Key>> subkeys;  // in folded name order
    std::vector<Value> values;

    Key* Subkey(std::wstring_view wanted) {
        for (const auto& subkey : subkeys) {
            if (tolk::stdx::AsciiEqualsIgnoreCase(subkey->name, wanted)) return subkey.get();
        }
        return nullptr;
    }

    Key& AddSubkey(std::wstring_view subkeyName) {
        if (Key* existing = Subkey(subkeyName)) return *existing;
        const auto foldedLess = [](std::wstring_view a, std::wstring_view b) {
            return std::lexicographical_compare(
                a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
                    return tolk::stdx::AsciiToLower(x) < tolk::stdx::AsciiToLower(y);
                });
        };
        const auto position = std::find_if(subkeys.begin(), subkeys.end(), [&](const auto& other) {
            return foldedLess(subkeyName, other->name);
        });
        auto added = std::make_unique<Key>();
        added->name = subkeyName;
        return **subkeys.insert(position, std::move(added));
    }

    Value* FindValue(std::wstring_view wanted) {
        for (Value& value : values) {
            if (tolk::stdx::AsciiEqualsIgnoreCase(value.name, wanted)) return &value;
        }
        return nullptr;
    }
};

namespace {

// Splits a relative key path into its names. A single trailing "\" is accepted, as the registry
// accepts it; an empty name anywhere else makes the path invalid.
bool SplitKeyPath(std::wstring_view path, std::vector<std::wstring_view>& names) {
    if (!path.empty() && path.back() == L'\\') path.remove_suffix(1);
    if (path.empty()) return true;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find(L'\\', start);
        const std::wstring_view name = path.substr(start, end - start);
        if (name.empty()) return false;
        names.push_back(name);
        if (end == std::wstring_view::npos) return true;
        start = end + 1;
    }
}

}  // namespace

MemoryRegistryStore::MemoryRegistryStore()
    : currentUser_(std::make_unique<Key>()), localMachine_(std::make_unique<Key>()) {}

MemoryRegistryStore::~MemoryRegistryStore() = default;

MemoryRegistryStore::Key& MemoryRegistryStore::Root(RegistryHive hive) {
    return hive == RegistryHive::CurrentUser ? *currentUser_ : *localMachine_;
}

MemoryRegistryStore::Key& MemoryRegistryStore::CreatePath(RegistryHive hive,
                                                          std::wstring_view path) {
    std::vector<std::wstring_view> names;
    SplitKeyPath(path, names);
    Key* key = &Root(hive);
    for (const std::wstring_view name : names) key = &key->AddSubkey(name);
    return *key;
}

void MemoryRegistryStore::AddKey(RegistryHive hive, std::wstring_view path) {
    CreatePath(hive, path);
}

void MemoryRegistryStore::SetValue(RegistryHive hive, std::wstring_view keyPath,
                                   std::wstring_view valueName, ValueType type,
                                   std::vector<std::byte> data) {
    Key& key = CreatePath(hive, keyPath);
    if (Key::Value* existing = key.FindValue(valueName)) {
        existing->type = type;
        existing->data = std::move(data);
        return;
    }
    key.values.push_back({std::wstring(valueName), type, std::move(data)});
}

void MemoryRegistryStore::SetString(RegistryHive hive, std::wstring_view keyPath,
                                    std::wstring_view valueName, std::wstring_view text) {
    std::vector<std::byte> data = Utf16LeBytes(text);
    data.insert(data.end(), 2, std::byte{0});
    SetValue(hive, keyPath, valueName, ValueType::String, std::move(data));
}

void MemoryRegistryStore::DenyAccess(RegistryHive hive, std::wstring_view path) {
    CreatePath(hive, path).accessDenied = true;
}

std::vector<std::byte> MemoryRegistryStore::Utf16LeBytes(std::wstring_view text) {
    std::vector<std::byte> bytes;
    bytes.reserve(text.size() * 2);
    for (const wchar_t unit : text) {
        bytes.push_back(static_cast<std::byte>(unit & 0xFF));
        bytes.push_back(static_cast<std::byte>((unit >> 8) & 0xFF));
    }
    return bytes;
}

RegistryKey MemoryRegistryStore::Open(Key& start, std::wstring_view path) {
    ++openRequests_;
    std::vector<std::wstring_view> names;
    if (!SplitKeyPath(path, names)) return {};
    Key* key = &start;
    for (const std::wstring_view name : names) {
        key = key->Subkey(name);
        if (!key) return {};
    }
    if (key->accessDenied) return {};
    const std::uintptr_t token = nextToken_++;
    openKeys_.emplace(token, key);
    return Adopt(token);
}

MemoryRegistryStore::Key* MemoryRegistryStore::Opened(const RegistryKey& key) const {
    const auto found = openKeys_.find(key.get().token);
    return found == openKeys_.end() ? nullptr : found->second;
}

RegistryKey MemoryRegistryStore::OpenKey(RegistryHive hive, std::wstring_view path) {
    return Open(Root(hive), path);
}

RegistryKey MemoryRegistryStore::OpenKey(const RegistryKey& parent, std::wstring_view path) {
    Key* key = Opened(parent);
    if (!key) {
        ++openRequests_;
        return {};
    }
    return Open(*key, path);
}

bool MemoryRegistryStore::SubkeyName(const RegistryKey& key, std::uint32_t index,
                                     std::wstring& name) {
    const Key* opened = Opened(key);
    if (!opened || index >= opened->subkeys.size()) return false;
    const std::wstring& subkeyName = opened->subkeys[index]->name;
    if (subkeyName.size() >= kNameBufferChars) return false;
    name = subkeyName;
    return true;
}

bool MemoryRegistryStore::QueryText(const RegistryKey& key, std::wstring_view valueName,
                                    std::wstring& text) {
    Key* opened = Opened(key);
    if (!opened) return false;
    const Key::Value* value = opened->FindValue(valueName);
    return value && AssignValueText(std::span(value->data), text);
}

void MemoryRegistryStore::CloseKey(std::uintptr_t token) noexcept { openKeys_.erase(token); }

}  // namespace fernwick
