// Random registry files with random queries: every lookup must end, leave a record that obeys
// the reader's rules, and hold no more than its line and block buffers.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "registry_helper/registry_file_reader.h"
#include "tests/support/memory_file_source.h"

namespace {

const std::wstring kFile = L"C:\\Work\\registry.txt";

// Query texts are taken byte by byte, so that they can be any ASCII or Latin-1 text of the file.
std::wstring Widen(const std::string& bytes) {
    std::wstring text;
    for (unsigned char byte : bytes) text += static_cast<wchar_t>(byte);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::wstring objectId = Widen(input.ConsumeRandomLengthString(40));
    const std::wstring fileName = Widen(input.ConsumeRandomLengthString(80));
    const auto lists =
        input.PickValueInArray({fernwick::ClientLists::EditAndView, fernwick::ClientLists::EditOnly,
                                fernwick::ClientLists::ViewOnly});

    fernwick::tests::MemoryFileSource files;
    files.Put(kFile, input.ConsumeRemainingBytesAsString());
    fernwick::LookupState state;
    state.registryFile = kFile;
    fernwick::RegistryFileReader reader(state, files);

    const bool byId = reader.FindByObjectId(objectId, lists);
    if (state.current.ObjectID != objectId) __builtin_trap();
    if (byId != (state.current.Origin != fernwick::OpenMode::None)) __builtin_trap();
    if (byId && state.current.FileName.empty()) __builtin_trap();
    if (lists == fernwick::ClientLists::EditOnly &&
        state.current.Origin == fernwick::OpenMode::View) {
        __builtin_trap();
    }

    const bool byName = reader.FindByFileName(fileName);
    if (state.current.FileName != fileName) __builtin_trap();
    if (byName != !state.current.ObjectID.empty()) __builtin_trap();
    if (state.current.ObjectID.size() > 16) __builtin_trap();

    reader.ReadLastConnectedDocbase();
    if (state.lastConnectedDocbase.find(L'\n') != std::wstring::npos) __builtin_trap();
    return 0;
}
