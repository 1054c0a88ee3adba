#include "server/registry_writer_win32.h"

#include "support/terminated_text.h"

namespace fernwick {
namespace {

using tolk::stdx::UniqueHkey;

std::int32_t AbsentIsDone(LSTATUS status) {
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

}  // namespace

std::wstring GuidText(REFGUID guid) {
    wchar_t text[39] = {};
    StringFromGUID2(guid, text, 39);
    return text;
}

Win32RegistryWriter::Location Win32RegistryWriter::Locate(RegistryRoot root,
                                                          std::wstring_view path) const {
    switch (root) {
        case RegistryRoot::CurrentUser:
            return {HKEY_CURRENT_USER, std::wstring(path)};
        case RegistryRoot::LocalMachine:
            return {HKEY_LOCAL_MACHINE, std::wstring(path)};
        case RegistryRoot::ClassesRoot:
            break;
    }
    if (scope_ == ClassesScope::Machine) return {HKEY_CLASSES_ROOT, std::wstring(path)};
    std::wstring userPath = L"Software\\Classes";
    if (!path.empty()) userPath.append(L"\\").append(path);
    return {HKEY_CURRENT_USER, userPath};
}

LSTATUS Win32RegistryWriter::OpenKey(RegistryRoot root, std::wstring_view path, REGSAM access,
                                     UniqueHkey& key) const {
    const Location location = Locate(root, path);
    HKEY opened = nullptr;
    const LSTATUS status =
        RegOpenKeyExW(location.root, location.path.c_str(), 0, access | view_, &opened);
    key.reset(status == ERROR_SUCCESS ? opened : nullptr);
    return status;
}

std::int32_t Win32RegistryWriter::CreateKey(RegistryRoot root, std::wstring_view path) {
    const Location location = Locate(root, path);
    HKEY created = nullptr;
    const LSTATUS status =
        RegCreateKeyExW(location.root, location.path.c_str(), 0, nullptr, 0,
                        KEY_READ | KEY_WRITE | view_, nullptr, &created, nullptr);
    const UniqueHkey key(status == ERROR_SUCCESS ? created : nullptr);
    return status;
}

std::int32_t Win32RegistryWriter::SetString(RegistryRoot root, std::wstring_view path,
                                            std::wstring_view name, std::wstring_view data) {
    UniqueHkey key;
    if (const LSTATUS status = OpenKey(root, path, KEY_SET_VALUE, key)) return status;
    const std::wstring text(data);
    return RegSetValueExW(key.get(), tolk::stdx::TerminatedText(name).get(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

std::int32_t Win32RegistryWriter::DeleteValue(RegistryRoot root, std::wstring_view path,
                                              std::wstring_view name) {
    UniqueHkey key;
    if (const LSTATUS status = OpenKey(root, path, KEY_SET_VALUE, key)) return AbsentIsDone(status);
    return AbsentIsDone(RegDeleteValueW(key.get(), tolk::stdx::TerminatedText(name).get()));
}

// RegDeleteTreeW takes no view flag: the key is opened in the writer's view, emptied, then deleted.
std::int32_t Win32RegistryWriter::DeleteTree(RegistryRoot root, std::wstring_view path) {
    UniqueHkey key;
    if (const LSTATUS status = OpenKey(root, path, KEY_ALL_ACCESS, key))
        return AbsentIsDone(status);
    if (const LSTATUS emptied = RegDeleteTreeW(key.get(), nullptr)) return emptied;
    const Location location = Locate(root, path);
    return AbsentIsDone(RegDeleteKeyExW(location.root, location.path.c_str(), view_, 0));
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
