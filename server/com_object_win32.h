#pragma once

#include <windows.h>

#include <new>
#include <utility>

#include "server/module_win32.h"

namespace fernwick {

// Object wrappers around a COM class T. T derives from its interfaces, leaves IUnknown to the
// wrapper and provides:
//   static constexpr bool kAggregatable;
//   HRESULT FinalConstruct();               // runs once the object holds a reference
//   IUnknown* InterfaceFor(REFIID riid);    // no AddRef; IUnknown is the first interface
// Objects live on one apartment thread, so their reference counts are plain counters. Each live
// object holds one lock on the module.

template <typename T>
HRESULT QueryInterfaceOf(T& object, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    IUnknown* answer = object.InterfaceFor(riid);
    *ppv = answer;
    if (!answer) return E_NOINTERFACE;
    answer->AddRef();
    return S_OK;
}

// The reference count of an object wrapper: its last Release deletes the wrapper, Owner.
template <typename Owner>
class ReferenceCount {
protected:
    ULONG AddReference() noexcept { return ++references_; }
    ULONG ReleaseReference() noexcept {
        const ULONG remaining = --references_;
        if (remaining == 0) delete static_cast<Owner*>(this);
        return remaining;
    }
    // Runs the object's final construction with a reference held, then drops it without
    // destroying the wrapper.
    template <typename Object>
    HRESULT ConstructHolding(Object& object) {
        ++references_;
        const HRESULT result = object.FinalConstruct();
        --references_;
        return result;
    }

private:
    ULONG references_ = 0;
};

// A stand-alone object.
template <typename T>
class ComObject final : public T, public ReferenceCount<ComObject<T>> {
public:
    ComObject() { FernwickModule().Lock(); }
    ~ComObject() { FernwickModule().Unlock(); }

    HRESULT Construct() { return this->ConstructHolding(*this); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        return QueryInterfaceOf<T>(*this, riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return this->AddReference(); }
    STDMETHODIMP_(ULONG) Release() override { return this->ReleaseReference(); }
};

// T as the inner part of an aggregate: its IUnknown calls go to the outer object.
template <typename T>
class ContainedObject final : public T {
public:
    explicit ContainedObject(IUnknown* outer) : outer_(outer) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        return outer_->QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return outer_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return outer_->Release(); }

private:
    IUnknown* outer_;
};

// The inner object handed to an aggregating outer object: its own IUnknown does not delegate and
// owns the contained T.
template <typename T>
class AggregatedObject final : public IUnknown, public ReferenceCount<AggregatedObject<T>> {
public:
    explicit AggregatedObject(IUnknown* outer) : contained_(outer) { FernwickModule().Lock(); }
    ~AggregatedObject() { FernwickModule().Unlock(); }

    HRESULT Construct() { return this->ConstructHolding(contained_); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown)) {
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return QueryInterfaceOf<T>(contained_, riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return this->AddReference(); }
    STDMETHODIMP_(ULONG) Release() override { return this->ReleaseReference(); }

private:
    ContainedObject<T> contained_;
};

// The instance creator of class T: a stand-alone object, or the inner part of an aggregate when
// an outer unknown is given and T can be aggregated. The class object runs it inside its guarded
// call (exceptions become HRESULTs) with ppv checked and emptied.
template <typename T>
HRESULT CreateComInstance(IUnknown* outer, REFIID riid, void** ppv) {
    auto create = [&](auto* object) -> HRESULT {
        if (!object) return E_OUTOFMEMORY;
        HRESULT result = object->Construct();
        if (SUCCEEDED(result)) result = object->QueryInterface(riid, ppv);
        if (FAILED(result)) delete object;
        return result;
    };
    if (!outer) return create(new (std::nothrow) ComObject<T>());
    if constexpr (T::kAggregatable) {
        return create(new (std::nothrow) AggregatedObject<T>(outer));
    } else {
        return CLASS_E_NOAGGREGATION;
    }
}

}  // namespace fernwick
