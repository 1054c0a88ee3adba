#pragma once

#include "registry_helper/file_source.h"

namespace fernwick {

// Files through the C++ standard library, for the native build's tests and benchmarks. Paths are
// taken as std::filesystem paths; directories exist but do not open, and devices and pipes are
// missing, as on Windows.
class StdFileSource : public FileSource {
public:
    bool Exists(std::wstring_view path) override;
    std::unique_ptr<ByteSource> OpenShared(std::wstring_view path) override;
};

}  // namespace fernwick
