// Registry scripts of any shape: parsing never crashes or hangs, and whatever parses can be run
// into an in-memory registry and removed again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "server/app_id.h"
#include "server/registrar.h"
#include "tests/support/registry_writer_memory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text(data, data + size);
    const auto script = fernwick::ParseRegistryScript(
        text, {{L"APPID", fernwick::kAppId},
               {L"MODULE", L"C:\\Program Files\\O'Neil\\Fernwick.dll"},
               {L"CLSID", fernwick::kAppId},  // any braced GUID serves
               {L"LIBID", fernwick::kAppId}});
    if (!script) return 0;

    fernwick::MemoryRegistryWriter registry;
    const auto registered =
        fernwick::RunRegistryScript(*script, fernwick::RegistrarMode::Register, registry);
    const auto keysAfterRegister = registry.KeyPaths().size();
    const auto unregistered =
        fernwick::RunRegistryScript(*script, fernwick::RegistrarMode::Unregister, registry);
    // An in-memory registry refuses nothing, so both runs must succeed, and unregistering can
    // only remove keys.
    if (registered != 0 || unregistered != 0 || registry.KeyPaths().size() > keysAfterRegister) {
        __builtin_trap();
    }
    return 0;
}
