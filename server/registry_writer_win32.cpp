#include "server/registry_writer_win32.h"

#include <windows.h>

#include <string>

#include "support/unique_handles_win32.h"

namespace fernwick {
namespace {

using tolk::stdx::UniqueHkey;

HKEY RootKey(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::CurrentUser:
            return HKEY_CURRENT_USER;
        case RegistryRoot::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case RegistryRoot::ClassesRoot:
            break;
    }
    return HKEY_CLASSES_ROOT;
}

LSTATUS OpenKey(RegistryRoot root, std::wstring_view path, REGSAM access, UniqueHkey& key) {
    HKEY opened = nullptr;
    const LSTATUS status =
        RegOpenKeyExW(RootKey(root), std::wstring(path).c_str(), 0, access, &opened);
    key.reset(status == ERROR_SUCCESS ? opened : nullptr);
    return status;
}

std::int32_t AbsentIsDone(LSTATUS status) {
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

}  // namespace

std::int32_t Win32RegistryWriter::CreateKey(RegistryRoot root, std::wstring_view path) {
    HKEY created = nullptr;
    const LSTATUS status = RegCreateKeyExW(RootKey(root), std::wstring(path).c_str(), 0, nullptr, 0,
                                           KEY_READ | KEY_WRITE, nullptr, &created, nullptr);
    const UniqueHkey key(status == ERROR_SUCCESS ? created : nullptr);
    return status;
}

std::int32_t Win32RegistryWriter::SetString(RegistryRoot root, std::wstring_view path,
                                            std::wstring_view name, std::wstring_view data) {
    UniqueHkey key;
    if (const LSTATUS status = OpenKey(root, path, KEY_SET_VALUE, key)) return status;
    const std::wstring text(data);
    return RegSetValueExW(key.get(), std::wstring(name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

std::int32_t Win32RegistryWriter::DeleteValue(RegistryRoot root, std::wstring_view path,
                                              std::wstring_view name) {
    UniqueHkey key;
    if (const LSTATUS status = OpenKey(root, path, KEY_SET_VALUE, key)) return AbsentIsDone(status);
    return AbsentIsDone(RegDeleteValueW(key.get(), std::wstring(name).c_str()));
}

std::int32_t Win32RegistryWriter::DeleteTree(RegistryRoot root, std::wstring_view path) {
    return AbsentIsDone(RegDeleteTreeW(RootKey(root), std::wstring(path).c_str()));
}

bool Win32RegistryWriter::KeyExists(RegistryRoot root, std::wstring_view path) {
    UniqueHkey key;
    return OpenKey(root, path, KEY_READ, key) == ERROR_SUCCESS;
}

bool Win32RegistryWriter::HasSubkeys(RegistryRoot root, std::wstring_view path) {
    UniqueHkey key;
    if (OpenKey(root, path, KEY_READ, key) != ERROR_SUCCESS) return false;
    DWORD subkeys = 0;
    return RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys > 0;
}

}  // namespace fernwick
