#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fernwick {

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine };

// How a key of a registry script behaves when the script is run.
enum class KeyFlag {
    None,         // created on register; removed on unregister once nothing else lies below it
    NoRemove,     // never removed; only what the script lists inside it is processed
    ForceRemove,  // replaced as a whole on register; removed with its subtree on unregister
};

struct ScriptValue {
    std::wstring name;
    std::wstring data;
};

struct ScriptKey {
    std::wstring name;
    KeyFlag flag = KeyFlag::None;
    std::optional<std::wstring> defaultValue;
    std::vector<ScriptValue> values;
    std::vector<ScriptKey> subkeys;
};

struct ScriptRoot {
    RegistryRoot root;
    std::vector<ScriptKey> keys;
};

using RegistryScript = std::vector<ScriptRoot>;

// Placeholder name (between percent signs) -> replacement text.
using ScriptReplacements = std::map<std::wstring, std::wstring, std::less<>>;

// Parses a registry script in the registrar language: root keys (HKCR, HKCU, HKLM or their long
// names) holding keys in braces, "name = s 'text'" for a key's default value, "val name = s 'text'"
// for a named value, the key flags NoRemove and ForceRemove, and placeholders such as %MODULE%
// ("%%" stands for one percent sign). Tokens are separated by white space; quoted texts double an
// embedded quote. A script with a syntax error or a placeholder that has no replacement yields
// nothing, so that a failed script never writes half its keys.
std::optional<RegistryScript> ParseRegistryScript(std::wstring_view text,
                                                  const ScriptReplacements& replacements);

}  // namespace fernwick
