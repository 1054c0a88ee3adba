#pragma once

#include <memory>
#include <string_view>

#include "registry_helper/file_source.h"
#include "registry_helper/local_copy_record.h"
#include "registry_helper/lookup_state.h"
#include "support/utf8_text_stream.h"

namespace fernwick {

// Answers the registry helper's lookups from a registry file: a UTF-8 text file of sections, each
// a header line in brackets followed by name=value entries, holding the client's lists of working
// and view files. Each lookup opens the file named by the helper's registryFile, scans it once
// from the top and closes it; nothing is kept between calls. The helper's record changes only
// after the file was found to exist (or, for an untrusted page, whether or not it exists), and
// takes a found record only when it is complete. Running out of memory ends a lookup with
// std::bad_alloc and the record half reset; the helper runs each lookup in a LookupTransaction for
// that reason.
class RegistryFileReader {
public:
    RegistryFileReader(LookupState& state, FileSource& files) : state_(state), files_(files) {}

    // True when registryFile is non-empty, holds no NUL, is within the helper's registry file
    // scope and names an existing regular file or directory.
    bool RegistryFileExists() const;
    bool FindByObjectId(std::wstring_view objectId, ClientLists lists);
    bool FindByFileName(std::wstring_view fileName);
    // Fills lastConnectedDocbase from the first docbase named after "\XML Applications\", unless
    // it already holds one.
    void ReadLastConnectedDocbase();

private:
    // The registry file as a lookup opens it, and whether it exists: a file that opens does, one
    // that does not may still (another program may hold it locked), which is asked apart.
    struct OpenedFile {
        bool exists = false;
        std::unique_ptr<ByteSource> bytes;  // null where the file could not be opened
    };

    // Whether a lookup on a missing file leaves the helper's record as it was.
    bool KeepsRecordWhenMissing() const;
    // Whether registryFile may be read at all: non-empty, without NUL, within the helper's scope.
    bool MayReadRegistryFile() const;
    // For an untrusted page the file is judged again where it was opened: a link on a local drive
    // may lead to another machine.
    std::unique_ptr<ByteSource> OpenBytes() const;
    OpenedFile OpenRegistryFile() const;

    LookupState& state_;
    FileSource& files_;
};

}  // namespace fernwick
