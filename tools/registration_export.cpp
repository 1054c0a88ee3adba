// Writes what Windows needs to find Fernwick's classes without DllRegisterServer, from the same
// registry scripts that the registrar runs and the IDL that the type library is compiled from, so
// that neither can drift from the registration:
//
//   registration_export manifest OUT ARCH VERSION IDL SCRIPT...
//       the side-by-side assembly manifest (classes, ProgIDs, threading model, type library)
//
// ARCH is the assembly's processor architecture (amd64 or x86), VERSION its four-part version.
// Built for the build machine and run at build time.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "server/registry_script.h"
#include "support/ascii_case.h"

namespace {

using fernwick::ParseRegistryScript;
using fernwick::RegistryScript;
using fernwick::ScriptKey;

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
        if (item.kind != "interface" && item.kind != "library") continue;
        // A coclass lists its interfaces with attributes of their own but no uuid.
        const std::string block = text.substr(open, close - open);
        if (Attribute(block, "uuid").empty()) continue;
        item.uuid = "{" + Attribute(block, "uuid") + "}";
        item.version = Attribute(block, "version");
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

int Run(const std::vector<std::string>& args) {
    if (args.size() < 6 || args[0] != "manifest") {
        std::cerr << "usage: registration_export manifest OUT ARCH VERSION IDL SCRIPT...\n";
        return 2;
    }
    const auto idl = ScanIdl(ReadFile(args[4]));
    std::vector<RegistryScript> scripts;
    for (auto path = args.begin() + 5; path != args.end(); ++path) {
        // The module's place and the AppID do not show in a manifest.
        auto script = ParseRegistryScript(Widen(ReadFile(*path)),
                                          {{L"APPID", L"{}"}, {L"MODULE", L"Fernwick.dll"}});
        if (!script) throw std::runtime_error("cannot parse " + *path);
        scripts.push_back(std::move(*script));
    }
    std::ofstream out(args[1], std::ios::binary);
    WriteManifest(out, args[2], args[3], idl, scripts);
    return out ? 0 : 1;
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
