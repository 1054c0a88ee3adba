#pragma once

// The administrative template for the site lock policy, read as the text it is: each of its
// elements is one tag, so the first `<tag ` names the element of that kind.
#include <windows.h>

#include <filesystem>
#include <fstream>
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

struct PolicyTemplate {
    std::string admx = ReadTemplateFile(L"PexanFernwick.admx");

    // The attribute of the first element `<tag ` at or after from; empty when there is none.
    std::wstring Attribute(const std::string& tag, const std::string& name,
                           std::size_t from = 0) const {
        const std::size_t start = admx.find("<" + tag + " ", from);
        const std::size_t attribute = admx.find(" " + name + "=\"", start);
        if (start == std::string::npos || attribute > admx.find('>', start)) return {};
        const std::size_t value = attribute + name.size() + 3;
        return {admx.begin() + value, admx.begin() + admx.find('"', value)};
    }

    // The REG_DWORD that the on/off element writes when it is set on or off.
    DWORD Switch(bool on) const {
        return std::stoul(
            Attribute("decimal", "value", admx.find(on ? "<trueValue>" : "<falseValue>")));
    }
};

}  // namespace fernwick::tests
