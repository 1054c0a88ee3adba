#include "server/module_win32.h"

#include "server/class_table_win32.h"

namespace fernwick {

std::wstring CFernwickModule::ModulePath() const {
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD length = GetModuleFileNameW(instance_, path.data(), path.size());
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void CFernwickModule::AddTermFunc(TermFunc func, void* argument) {
    termFuncs_.emplace_back(func, argument);
}

void CFernwickModule::Terminate() noexcept {
    for (auto it = termFuncs_.rbegin(); it != termFuncs_.rend(); ++it) it->first(it->second);
    termFuncs_.clear();
    ReleaseClassObjects();
}

namespace {

// At namespace scope, not inside FernwickModule(): a function-local static makes the C++ runtime
// allocate its guard's lock and condition on first use, which it never frees when the DLL unloads.
CFernwickModule module;

}  // namespace

CFernwickModule& FernwickModule() noexcept { return module; }

}  // namespace fernwick
