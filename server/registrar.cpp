#include "server/registrar.h"

#include <string>
#include <utility>

#include "support/ascii_case.h"

namespace fernwick {
namespace {

std::wstring Join(std::wstring_view parent, std::wstring_view name) {
    std::wstring path(parent);
    if (!path.empty()) path += L'\\';
    path += name;
    return path;
}

class ScriptRun {
public:
    ScriptRun(RegistryRoot root, RegistryWriter& writer) : root_(root), writer_(writer) {}

    std::int32_t Register(const ScriptKey& key, std::wstring_view parent) {
        const std::wstring path = Join(parent, key.name);
        if (key.flag == KeyFlag::ForceRemove) {
            if (const auto status = writer_.DeleteTree(root_, path)) return status;
        }
        if (const auto status = writer_.CreateKey(root_, path)) return status;
        if (key.defaultValue) {
            if (const auto status = writer_.SetString(root_, path, L"", *key.defaultValue))
                return status;
        }
        for (const auto& value : key.values) {
            if (const auto status = writer_.SetString(root_, path, value.name, value.data))
                return status;
        }
        for (const auto& subkey : key.subkeys) {
            if (const auto status = Register(subkey, path)) return status;
        }
        return 0;
    }

    std::int32_t Unregister(const ScriptKey& key, std::wstring_view parent) {
        const std::wstring path = Join(parent, key.name);
        if (key.flag == KeyFlag::ForceRemove) return writer_.DeleteTree(root_, path);
        if (!writer_.KeyExists(root_, path)) return 0;
        for (const auto& subkey : key.subkeys) {
            if (const auto status = Unregister(subkey, path)) return status;
        }
        for (const auto& value : key.values) {
            if (const auto status = writer_.DeleteValue(root_, path, value.name)) return status;
        }
        if (key.flag == KeyFlag::NoRemove || writer_.HasSubkeys(root_, path)) return 0;
        return writer_.DeleteTree(root_, path);
    }

private:
    RegistryRoot root_;
    RegistryWriter& writer_;
};

}  // namespace

std::int32_t RunRegistryScript(const RegistryScript& script, RegistrarMode mode,
                               RegistryWriter& writer) {
    for (const auto& scriptRoot : script) {
        ScriptRun run(scriptRoot.root, writer);
        for (const auto& key : scriptRoot.keys) {
            const auto status =
                mode == RegistrarMode::Register ? run.Register(key, L"") : run.Unregister(key, L"");
            if (status) return status;
        }
    }
    return 0;
}

RegistryScript PerViewPart(const RegistryScript& script) {
    RegistryScript part;
    for (const auto& scriptRoot : script) {
        ScriptRoot kept{scriptRoot.root, {}};
        for (const auto& key : scriptRoot.keys) {
            if (tolk::stdx::AsciiEqualsIgnoreCase(key.name, L"CLSID")) kept.keys.push_back(key);
        }
        if (!kept.keys.empty()) part.push_back(std::move(kept));
    }
    return part;
}

}  // namespace fernwick
