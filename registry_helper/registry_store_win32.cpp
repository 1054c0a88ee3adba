#include "registry_helper/registry_store_win32.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <string>

#include "registry_helper/registry_value_text.h"
#include "support/terminated_text.h"

namespace fernwick {

namespace {

using tolk::stdx::TerminatedText;

HKEY ToHkey(const RegistryKey& key) { return reinterpret_cast<HKEY>(key.get().token); }

HKEY ToHkey(RegistryHive hive) {
    return hive == RegistryHive::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

}  // namespace

RegistryKey Win32RegistryStore::OpenKey(RegistryHive hive, std::wstring_view path) {
    return OpenBelow(ToHkey(hive), path);
}

RegistryKey Win32RegistryStore::OpenKey(const RegistryKey& parent, std::wstring_view path) {
    return OpenBelow(ToHkey(parent), path);
}

RegistryKey Win32RegistryStore::OpenBelow(HKEY parent, std::wstring_view path) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(parent, TerminatedText(path).get(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return {};
    }
    return Adopt(reinterpret_cast<std::uintptr_t>(opened));
}

bool Win32RegistryStore::SubkeyName(const RegistryKey& key, std::uint32_t index,
                                    std::wstring& name) {
    std::array<wchar_t, kNameBufferChars> buffer;
    DWORD length = buffer.size();
    if (RegEnumKeyExW(ToHkey(key), index, buffer.data(), &length, nullptr, nullptr, nullptr,
                      nullptr) != ERROR_SUCCESS) {
        return false;
    }
    name.assign(buffer.data(), std::min<std::size_t>(length, buffer.size()));
    return true;
}

bool Win32RegistryStore::QueryText(const RegistryKey& key, std::wstring_view valueName,
                                   std::wstring& text) {
    std::array<std::byte, kValueBufferBytes> data;
    DWORD size = data.size();
    // A value that does not fit answers ERROR_MORE_DATA and counts as missing.
    if (RegQueryValueExW(ToHkey(key), TerminatedText(valueName).get(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS) {
        return false;
    }
    // The data need not end in a NUL; only the bytes the registry reported are read.
    return AssignValueText(std::span(data).first(std::min<std::size_t>(size, data.size())), text);
}

void Win32RegistryStore::CloseKey(std::uintptr_t token) noexcept {
    RegCloseKey(reinterpret_cast<HKEY>(token));
}

}  // namespace fernwick
