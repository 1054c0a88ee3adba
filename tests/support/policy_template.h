#pragma once

// What the administrative template resources/policy/PexanFernwick.admx tells Group Policy to
// write: the policy's key and, for each value, its name and the registry type its element
// writes. A plain scan of the template's elements, which are one tag each.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "test_paths.h"

namespace fernwick::tests {

inline std::string ReadTemplateFile(const wchar_t* name) {
    std::ifstream file(std::filesystem::path(FERNWICK_POLICY_DIR) / name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The attribute of the first element `<tag ` at or after from, with where that element starts.
inline std::optional<std::pair<std::string, std::size_t>> Attribute(const std::string& xml,
                                                                    const std::string& tag,
                                                                    const std::string& name,
                                                                    std::size_t from = 0) {
    const std::size_t start = xml.find("<" + tag + " ", from);
    if (start == std::string::npos) return std::nullopt;
    const std::size_t end = xml.find('>', start);
    const std::size_t attribute = xml.find(" " + name + "=\"", start);
    if (attribute == std::string::npos || attribute > end) return std::nullopt;
    const std::size_t value = attribute + name.size() + 3;
    return std::pair{xml.substr(value, xml.find('"', value) - value), start};
}

inline std::wstring Wide(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

struct PolicyTemplate {
    std::string admx = ReadTemplateFile(L"PexanFernwick.admx");

    std::wstring Key() const { return Wide(Attribute(admx, "policy", "key").value().first); }
    std::string Class() const { return Attribute(admx, "policy", "class").value().first; }
    // The value the element of that kind writes.
    std::wstring ValueName(const std::string& tag) const {
        return Wide(Attribute(admx, tag, "valueName").value().first);
    }

    // The type the element that writes valueName writes: a list element REG_MULTI_SZ, a text
    // element REG_SZ, an on/off element with decimal values REG_DWORD.
    std::optional<DWORD> TypeOf(const std::wstring& valueName) const {
        for (const auto& [tag, type] : {std::pair<std::string, DWORD>{"multiText", REG_MULTI_SZ},
                                        {"text", REG_SZ},
                                        {"boolean", REG_DWORD}}) {
            const auto element = Attribute(admx, tag, "valueName");
            if (!element || Wide(element->first) != valueName) continue;
            if (tag == "boolean" && !Attribute(admx, "decimal", "value", element->second)) break;
            return type;
        }
        return std::nullopt;
    }

    // The REG_DWORD an on/off element writes when set on or off.
    DWORD Switch(bool on) const {
        const std::size_t choice = admx.find(on ? "<trueValue>" : "<falseValue>");
        return std::stoul(Attribute(admx, "decimal", "value", choice).value().first);
    }
};

}  // namespace fernwick::tests
