#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>

namespace fernwick {

using InstanceCreator = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

// The class object of one class, cached by the class table. The table's own reference does not
// keep the module alive: the count rising from 1 to 2 locks the module, falling from 2 to 1
// unlocks it. Class objects are reachable from any thread, so the count is atomic.
class CachedClassFactory final : public IClassFactory {
public:
    explicit CachedClassFactory(InstanceCreator creator) noexcept : creator_(creator) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    ~CachedClassFactory() = default;

    std::atomic<ULONG> references_{1};
    InstanceCreator creator_;
};

}  // namespace fernwick
