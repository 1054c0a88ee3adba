#pragma once

#include <fstream>
#include <iterator>
#include <string>

#include "server/app_id.h"
#include "server/registry_script.h"

namespace fernwick::tests {

// The text of a file in resources/, each byte one unit (the scripts there are ASCII).
inline std::wstring ResourceText(const char* name) {
    std::ifstream file(std::string(FERNWICK_SOURCE_DIR) + "/resources/" + name, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    return {bytes.begin(), bytes.end()};
}

// The braced GUID that resources/fernwick.idl gives the item declared as `declaration` (such as
// "coclass DocumentumRegistryHelper" or "library FernwickLib"): the uuid attribute that stands
// last before it. The IDL defines every identity but the AppID (server/app_id.h).
inline std::wstring IdlUuid(const wchar_t* declaration) {
    const std::wstring idl = ResourceText("fernwick.idl");
    const std::size_t item = idl.find(declaration);
    const std::size_t uuid = idl.rfind(L"uuid(", item);
    if (item == std::wstring::npos || uuid == std::wstring::npos) return {};
    const std::size_t start = uuid + 5;
    return L"{" + idl.substr(start, idl.find(L')', start) - start) + L"}";
}

// What the registrar puts into a class's script of resources/ (or into the AppID script, which
// names no class) for a module at this path; the IDs as the IDL gives them.
inline ScriptReplacements RegistrarValues(const wchar_t* coclass, const std::wstring& module) {
    return {{L"APPID", kAppId},
            {L"MODULE", module},
            {L"LIBID", IdlUuid(L"library FernwickLib")},
            {L"CLSID", IdlUuid((L"coclass " + std::wstring(coclass)).c_str())}};
}

}  // namespace fernwick::tests
