// Writes what Windows needs to find Fernwick's classes without DllRegisterServer, from the same
// registry scripts that the registrar runs and the IDL that the type library is compiled from, so
// that neither can drift from the registration:
//
//   registration_export manifest OUT ARCH VERSION IDL SCRIPT...
//       the side-by-side assembly manifest (classes, ProgIDs, threading model, type library)
//   registration_export installer OUTDIR SYSKIND IDL SCRIPT...
//       the registry rows of the installer packages, what DllRegisterServer and the type library
//       registration write: OUTDIR/classes.wxi holds what each build keeps in its own registry
//       view (the class keys, the type library's entry for this build), OUTDIR/shared.wxi what
//       both builds share (ProgIDs, AppID, the type library), OUTDIR/interfaces.wxi the type
//       library's interface keys, which RegisterTypeLib writes into both registry views
//
// ARCH is the assembly's processor architecture (amd64 or x86), VERSION its four-part version,
// SYSKIND the type library's platform (win64 or win32). Built for the build machine and run at
// build time.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "server/app_id.h"
#include "server/registrar.h"
#include "server/registry_script.h"
#include "support/ascii_case.h"

namespace {

using fernwick::ParseRegistryScript;
using fernwick::RegistryScript;
using fernwick::ScriptKey;
using fernwick::ScriptReplacements;

// The scripts and the IDL are ASCII.
std::wstring Widen(const std::string& text) { return {text.begin(), text.end()}; }
std::string Narrow(const std::wstring& text) { return {text.begin(), text.end()}; }

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

const ScriptKey* Subkey(const std::vector<ScriptKey>& keys, std::wstring_view name) {
    for (const ScriptKey& key : keys)
        if (tolk::stdx::AsciiEqualsIgnoreCase(key.name, name)) return &key;
    return nullptr;
}

std::string DefaultOf(const ScriptKey& parent, std::wstring_view name) {
    const ScriptKey* key = Subkey(parent.subkeys, name);
    return key && key->defaultValue ? Narrow(*key->defaultValue) : std::string();
}

std::string ValueOf(const ScriptKey& key, std::wstring_view name) {
    for (const auto& value : key.values)
        if (tolk::stdx::AsciiEqualsIgnoreCase(value.name, name)) return Narrow(value.data);
    return {};
}

// An IDL item with an attribute block: "[ uuid(...), version(...) ... ] interface Name".
struct IdlItem {
    std::string kind;
    std::string name;
    std::string uuid;
    std::string version;
    std::string help;
};

std::string Attribute(const std::string& block, const std::string& name) {
    const auto start = block.find(name + "(");
    if (start == std::string::npos) return {};
    const auto open = start + name.size() + 1;
    return block.substr(open, block.find(')', open) - open);
}

std::vector<IdlItem> ScanIdl(const std::string& text) {
    std::vector<IdlItem> items;
    for (auto open = text.find('['); open != std::string::npos; open = text.find('[', open + 1)) {
        const auto close = text.find(']', open);
        if (close == std::string::npos) break;
        std::istringstream rest(text.substr(close + 1, 200));
        IdlItem item;
        rest >> item.kind >> item.name;
        if (item.kind != "interface" && item.kind != "library" && item.kind != "coclass") continue;
        // A coclass lists its interfaces with attributes of their own but no uuid.
        const std::string block = text.substr(open, close - open);
        if (Attribute(block, "uuid").empty()) continue;
        item.uuid = "{" + Attribute(block, "uuid") + "}";
        item.version = Attribute(block, "version");
        item.help = Attribute(block, "helpstring");
        item.help.erase(std::remove(item.help.begin(), item.help.end(), '"'), item.help.end());
        items.push_back(item);
    }
    return items;
}

const IdlItem& Library(const std::vector<IdlItem>& items) {
    for (const IdlItem& item : items)
        if (item.kind == "library") return item;
    throw std::runtime_error("the IDL names no library");
}

// The class key of a class script, HKCR\CLSID\{clsid}; none in the AppID script.
const ScriptKey* ClassKey(const RegistryScript& script) {
    for (const auto& root : script)
        if (const ScriptKey* classes = Subkey(root.keys, L"CLSID");
            classes && classes->subkeys.size() == 1)
            return &classes->subkeys.front();
    return nullptr;
}

// Dual and automation interfaces are marshalled from the type library.
constexpr char kTypeLibMarshaller[] = "{00020424-0000-0000-C000-000000000046}";

void WriteManifest(std::ostream& out, const std::string& architecture, const std::string& version,
                   const std::vector<IdlItem>& idl, const std::vector<RegistryScript>& scripts) {
    const IdlItem& library = Library(idl);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        << "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
        << "  <assemblyIdentity type=\"win32\" name=\"Fernwick\" version=\"" << version
        << "\" processorArchitecture=\"" << architecture << "\"/>\n"
        << "  <file name=\"Fernwick.dll\">\n";
    for (const RegistryScript& script : scripts) {
        const ScriptKey* classKey = ClassKey(script);
        const ScriptKey* server = classKey ? Subkey(classKey->subkeys, L"InprocServer32") : nullptr;
        if (!server) continue;
        const ScriptKey& key = *classKey;
        out << "    <comClass clsid=\"" << Narrow(key.name) << "\" progid=\""
            << DefaultOf(key, L"ProgID") << "\" threadingModel=\""
            << ValueOf(*server, L"ThreadingModel") << "\" tlbid=\"" << DefaultOf(key, L"TypeLib")
            << "\" description=\"" << Narrow(key.defaultValue.value_or(L"")) << "\">\n"
            << "      <progid>" << DefaultOf(key, L"VersionIndependentProgID") << "</progid>\n"
            << "    </comClass>\n";
    }
    out << "    <typelib tlbid=\"" << library.uuid << "\" version=\"" << library.version
        << "\" helpdir=\"\"/>\n"
        << "  </file>\n";
    for (const IdlItem& item : idl) {
        if (item.kind != "interface") continue;
        out << "  <comInterfaceExternalProxyStub name=\"" << item.name << "\" iid=\"" << item.uuid
            << "\" proxyStubClsid32=\"" << kTypeLibMarshaller << "\" tlbid=\"" << library.uuid
            << "\"/>\n";
    }
    out << "</assembly>\n";
}

// One registry row: a key's default value has an empty name, a key that holds nothing has none.
struct Row {
    std::string key;
    std::optional<std::string> name;
    std::string data;
    bool operator==(const Row&) const = default;
};

void Flatten(const ScriptKey& key, const std::string& parent, std::vector<Row>& rows) {
    const std::string path = (parent.empty() ? "" : parent + "\\") + Narrow(key.name);
    if (key.defaultValue) rows.push_back({path, "", Narrow(*key.defaultValue)});
    for (const auto& value : key.values)
        rows.push_back({path, Narrow(value.name), Narrow(value.data)});
    for (const ScriptKey& subkey : key.subkeys) Flatten(subkey, path, rows);
    if (!key.defaultValue && key.values.empty() && key.subkeys.empty())
        rows.push_back({path, std::nullopt, ""});
}

std::vector<Row> Flatten(const RegistryScript& script) {
    std::vector<Row> rows;
    for (const auto& root : script)
        for (const ScriptKey& key : root.keys) Flatten(key, "", rows);
    return rows;
}

// What RegisterTypeLib writes for the library and its interfaces.
void AddTypeLibraryRows(const std::vector<IdlItem>& idl, const std::string& syskind,
                        std::vector<Row>& perView, std::vector<Row>& shared,
                        std::vector<Row>& interfaces) {
    const IdlItem& library = Library(idl);
    const std::string key = "TypeLib\\" + library.uuid + "\\" + library.version;
    perView.push_back({key + "\\0\\" + syskind, "", "[#FernwickDll]"});
    shared.push_back({key, "", library.help});
    shared.push_back({key + "\\FLAGS", "", "0"});
    shared.push_back({key + "\\HELPDIR", "", "[INSTALLDIR]"});
    for (const IdlItem& item : idl) {
        if (item.kind != "interface") continue;
        const std::string interface = "Interface\\" + item.uuid;
        interfaces.push_back({interface, "", item.name});
        interfaces.push_back({interface + "\\ProxyStubClsid", "", kTypeLibMarshaller});
        interfaces.push_back({interface + "\\ProxyStubClsid32", "", kTypeLibMarshaller});
        interfaces.push_back({interface + "\\TypeLib", "", library.uuid});
        interfaces.push_back({interface + "\\TypeLib", "Version", library.version});
    }
}

std::string Escaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

// A WiX include of registry rows under HKEY_CLASSES_ROOT; the first is the component's key path.
void WriteRows(const std::string& path, const std::vector<Row>& rows, bool firstIsKeyPath) {
    std::ofstream out(path, std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Include>\n";
    for (const Row& row : rows) {
        const std::string key = "Root=\"HKCR\" Key=\"" + Escaped(row.key) + "\"";
        // The name "*" with no value: the key is created on install and removed on uninstall.
        if (!row.name) {
            out << "  <RegistryValue " << key << " Name=\"*\" Type=\"string\" Value=\"\"/>\n";
            continue;
        }
        out << "  <RegistryValue " << key;
        if (!row.name->empty()) out << " Name=\"" << Escaped(*row.name) << "\"";
        out << " Type=\"string\" Value=\"" << Escaped(row.data) << "\"";
        if (firstIsKeyPath && &row == &rows.front()) out << " KeyPath=\"yes\"";
        out << "/>\n";
    }
    out << "</Include>\n";
    if (!out) throw std::runtime_error("cannot write " + path);
}

void WriteInstallerRows(const std::string& folder, const std::string& syskind,
                        const std::vector<IdlItem>& idl,
                        const std::vector<RegistryScript>& scripts) {
    std::vector<Row> perView;
    std::vector<Row> shared;
    for (const RegistryScript& script : scripts) {
        const auto own = Flatten(fernwick::PerViewPart(script));
        perView.insert(perView.end(), own.begin(), own.end());
        for (const Row& row : Flatten(script))
            if (std::find(own.begin(), own.end(), row) == own.end()) shared.push_back(row);
    }
    std::vector<Row> interfaces;
    AddTypeLibraryRows(idl, syskind, perView, shared, interfaces);
    WriteRows(folder + "/classes.wxi", perView, false);
    WriteRows(folder + "/shared.wxi", shared, true);
    WriteRows(folder + "/interfaces.wxi", interfaces, true);
}

// The class whose script the file is: its name is the class's, in lower case with words parted by
// "_" (import_picker.rgs for ImportPicker). None for the AppID script.
const IdlItem* ScriptClass(const std::vector<IdlItem>& idl, const std::string& path) {
    std::string stem = std::filesystem::path(path).stem().string();
    stem.erase(std::remove(stem.begin(), stem.end(), '_'), stem.end());
    for (const IdlItem& item : idl) {
        if (item.kind == "coclass" &&
            tolk::stdx::AsciiEqualsIgnoreCase(Widen(item.name), Widen(stem)))
            return &item;
    }
    return nullptr;
}

std::vector<RegistryScript> ReadScripts(const std::vector<IdlItem>& idl,
                                        std::vector<std::string>::const_iterator path,
                                        std::vector<std::string>::const_iterator end) {
    std::vector<RegistryScript> scripts;
    for (; path != end; ++path) {
        // The installer formats [#FernwickDll] into the installed file's path.
        ScriptReplacements replacements{{L"APPID", fernwick::kAppId},
                                        {L"MODULE", L"[#FernwickDll]"},
                                        {L"LIBID", Widen(Library(idl).uuid)}};
        if (const IdlItem* coclass = ScriptClass(idl, *path)) {
            replacements.emplace(L"CLSID", Widen(coclass->uuid));
        }
        auto script = ParseRegistryScript(Widen(ReadFile(*path)), replacements);
        if (!script) throw std::runtime_error("cannot parse " + *path);
        scripts.push_back(std::move(*script));
    }
    return scripts;
}

int Run(const std::vector<std::string>& args) {
    if (args.size() >= 6 && args[0] == "manifest") {
        std::ofstream out(args[1], std::ios::binary);
        const auto idl = ScanIdl(ReadFile(args[4]));
        WriteManifest(out, args[2], args[3], idl, ReadScripts(idl, args.begin() + 5, args.end()));
        return out ? 0 : 1;
    }
    if (args.size() >= 5 && args[0] == "installer") {
        const auto idl = ScanIdl(ReadFile(args[3]));
        WriteInstallerRows(args[1], args[2], idl, ReadScripts(idl, args.begin() + 4, args.end()));
        return 0;
    }
    std::cerr << "usage: registration_export manifest OUT ARCH VERSION IDL SCRIPT...\n"
                 "       registration_export installer OUTDIR SYSKIND IDL SCRIPT...\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run({argv + 1, argv + argc});
    } catch (const std::exception& error) {
        std::cerr << "registration_export: " << error.what() << "\n";
        return 1;
    }
}
