// Class objects, aggregation, the declarations of safety and error information, and members given
// hostile strings.
#include "tests/win/com_server.h"

#include <objsafe.h>

#include <algorithm>
#include <utility>

namespace fernwick {
namespace {

using HelperLookup = HRESULT (STDMETHODCALLTYPE IDocumentumRegistryHelper::*)(BSTR, VARIANT_BOOL*);
using HelperText = HRESULT (STDMETHODCALLTYPE IDocumentumRegistryHelper::*)(BSTR*);

constexpr HelperLookup kLookups[] = {
    &IDocumentumRegistryHelper::InitFromObjectID, &IDocumentumRegistryHelper::InitEditFromObjectID,
    &IDocumentumRegistryHelper::InitViewFromObjectID, &IDocumentumRegistryHelper::InitFromFileName};
// Every member that hands out a string.
constexpr HelperText kTextMembers[] = {&IDocumentumRegistryHelper::get_ObjectID,
                                       &IDocumentumRegistryHelper::get_UserName,
                                       &IDocumentumRegistryHelper::get_User,
                                       &IDocumentumRegistryHelper::get_DomainName,
                                       &IDocumentumRegistryHelper::get_DocbaseName,
                                       &IDocumentumRegistryHelper::get_FileName,
                                       &IDocumentumRegistryHelper::get_LastConnectedDocBaseName,
                                       &IDocumentumRegistryHelper::DetectUcfClientConfigXml};

// Runs a call that is to fail with an error object already on the thread, as another component may
// leave one, and answers its result: both objects declare error information for their interfaces,
// so a caller would take a stale object for this failure's.
template <typename Call>
HRESULT FailedLeavingNoErrorObject(Call&& call) {
    UniqueCom<ICreateErrorInfo> created;
    EXPECT_EQ(CreateErrorInfo(created.put()), S_OK);
    UniqueCom<IErrorInfo> stale;
    EXPECT_EQ(created->QueryInterface(IID_PPV_ARGS(stale.put())), S_OK);
    EXPECT_EQ(SetErrorInfo(0, stale.get()), S_OK);
    const HRESULT result = call();
    UniqueCom<IErrorInfo> left;
    EXPECT_EQ(GetErrorInfo(0, left.put()), S_FALSE) << "an error object outlived the failure";
    return result;
}

std::wstring Read(IDocumentumRegistryHelper* helper, HelperText getter) {
    UniqueBstr text;
    EXPECT_EQ((helper->*getter)(text.put()), S_OK);
    return {text.get(), SysStringLen(text.get())};
}

TEST_F(ComServerTest, ClassObjectLookupAnswersOnlyKnownClassesAndInterfaces) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(server.getClassObject(kUnknownClsid, IID_IClassFactory, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(server.getClassObject(CLSID_DocumentumRegistryHelper, IID_IDispatch, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(server.getClassObject(CLSID_DocumentumRegistryHelper, IID_IClassFactory, nullptr),
              E_POINTER);

    auto first = server.Factory();
    auto second = server.Factory();
    EXPECT_EQ(first.get(), second.get());
    EXPECT_EQ(server.canUnloadNow(), S_FALSE);
    first.reset();
    second.reset();
    EXPECT_EQ(server.canUnloadNow(), S_OK);  // only the class table holds it now
}

// Unbalanced unlocks release nothing that a live object or a held class object counts on.
TEST_F(ComServerTest, LockServerKeepsTheModuleLoaded) {
    auto factory = server.Factory();
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(server.canUnloadNow(), S_FALSE);
    server.Factory()->LockServer(FALSE);
    EXPECT_EQ(server.canUnloadNow(), S_OK);

    factory = server.Factory();
    auto helper = server.CreateHelper();
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(server.canUnloadNow(), S_FALSE);
    helper.reset();
    EXPECT_EQ(server.canUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(server.canUnloadNow(), S_FALSE);
    server.Factory()->LockServer(FALSE);
    EXPECT_EQ(server.canUnloadNow(), S_OK);
}

TEST_F(ComServerTest, CreateInstanceChecksItsArguments) {
    auto factory = server.Factory();
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, nullptr), E_POINTER);

    auto outer = server.CreateHelper();  // any unknown serves as an outer object here
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(outer.get(), IID_IDispatch, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);

    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
}

// A minimal outer object that aggregates a registry helper and hands out its interfaces.
class Outer final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown)) {
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
    STDMETHODIMP_(ULONG) Release() override { return --references; }

    UniqueCom<IUnknown> inner;
    ULONG references = 1;
};

TEST_F(ComServerTest, TheRegistryHelperCanBeAggregated) {
    Outer outer;
    ASSERT_EQ(server.Factory()->CreateInstance(&outer, IID_PPV_ARGS(outer.inner.put())), S_OK);
    EXPECT_EQ(server.canUnloadNow(), S_FALSE);

    {
        UniqueCom<IDocumentumRegistryHelper> helper;
        ASSERT_EQ(outer.QueryInterface(IID_PPV_ARGS(helper.put())), S_OK);
        EXPECT_EQ(outer.references, 2u);  // the inner object counts on the outer one
        UniqueCom<IUnknown> identity;
        ASSERT_EQ(helper->QueryInterface(IID_PPV_ARGS(identity.put())), S_OK);
        EXPECT_EQ(identity.get(), static_cast<IUnknown*>(&outer));
        VARIANT_BOOL found = VARIANT_TRUE;
        EXPECT_EQ(helper->InitFromObjectID(nullptr, &found), S_OK);
        EXPECT_EQ(found, VARIANT_FALSE);
    }
    EXPECT_EQ(outer.references, 1u);

    outer.inner.reset();
    EXPECT_EQ(server.canUnloadNow(), S_OK);
}

TEST_F(ComServerTest, TheImportPickerIsNeverAggregatedAndDeclaresNoSafety) {
    UniqueCom<IClassFactory> factory;
    ASSERT_EQ(server.getClassObject(CLSID_ImportPicker, IID_PPV_ARGS(factory.put())), S_OK);
    auto outer = server.CreateHelper();
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(outer.get(), IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);

    UniqueCom<IImportPicker> picker;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(picker.put())), S_OK);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(picker->QueryInterface(IID_IObjectSafety, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(picker->QueryInterface(IID_IObjectWithSite, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    UniqueCom<ISupportErrorInfo> errorInfo;
    ASSERT_EQ(picker->QueryInterface(IID_PPV_ARGS(errorInfo.put())), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IImportPicker), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
    const wchar_t* members[] = {L"SelectFilesAndFolders", L"LastSelectedFolder",
                                L"LastSelectedFile", L"SelectedFolders", L"SelectedFiles"};
    for (DISPID id = 1; id <= 5; ++id) EXPECT_EQ(IdOf(picker.get(), members[id - 1]), id);
}

TEST_F(ComServerTest, ErrorInfoAndSafetyDeclarations) {
    auto helper = server.CreateHelper();
    UniqueCom<ISupportErrorInfo> errorInfo;
    ASSERT_EQ(helper->QueryInterface(IID_PPV_ARGS(errorInfo.put())), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IDocumentumRegistryHelper), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);

    constexpr DWORD kCaller = INTERFACESAFE_FOR_UNTRUSTED_CALLER;
    constexpr DWORD kData = INTERFACESAFE_FOR_UNTRUSTED_DATA;
    UniqueCom<IObjectSafety> safety;
    ASSERT_EQ(helper->QueryInterface(IID_PPV_ARGS(safety.put())), S_OK);
    DWORD supported = 99, enabled = 99;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
    EXPECT_EQ(supported, kCaller | kData);
    EXPECT_EQ(enabled, 0u);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, nullptr, &enabled), E_POINTER);

    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACE_USES_DISPEX,
                                                INTERFACE_USES_DISPEX),
              E_FAIL);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, kCaller | kData, kCaller), S_OK);
    EXPECT_EQ(
        safety->GetInterfaceSafetyOptions(IID_IDocumentumRegistryHelper, &supported, &enabled),
        S_OK);
    EXPECT_EQ(enabled, kCaller);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, kData, kData), S_OK);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
    EXPECT_EQ(enabled, kCaller | kData);

    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IClassFactory, kCaller, kCaller),
              E_NOINTERFACE);
    supported = enabled = 99;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IClassFactory, &supported, &enabled),
              E_NOINTERFACE);
    EXPECT_EQ(supported, 0u);
    EXPECT_EQ(enabled, 0u);
}

// Every member, given null strings (the empty string) and 100,000-character ones: false or empty
// answers, always allocated strings, S_OK throughout. With the long registry file path the
// helper is in file mode, where a missing file leaves the record as it was.
TEST_F(ComServerTest, NullAndLongStringsAreAnsweredSafely) {
    auto helper = server.CreateHelper();
    IDocumentumRegistryHelper* h = helper.get();
    const UniqueBstr longText(SysAllocStringLen(nullptr, 100000));
    std::fill_n(longText.get(), 100000, L'7');
    for (BSTR argument : {static_cast<BSTR>(nullptr), longText.get()}) {
        EXPECT_EQ(h->put_RegistryFile(argument), S_OK);
        for (const HelperLookup lookup : kLookups) {
            VARIANT_BOOL found = VARIANT_TRUE;
            EXPECT_EQ((h->*lookup)(argument, &found), S_OK);
            EXPECT_EQ(found, VARIANT_FALSE);
        }
        for (const HelperText getter : kTextMembers) {
            UniqueBstr text;
            EXPECT_EQ((h->*getter)(text.put()), S_OK);
            EXPECT_NE(text.get(), nullptr);
            EXPECT_EQ(SysStringLen(text.get()), 0u);
        }
        VARIANT_BOOL open = VARIANT_TRUE;
        EXPECT_EQ(h->IsOpenForEdit(&open), S_OK);
        EXPECT_EQ(open, VARIANT_FALSE);
    }
}

// Callers through the vtable may pass null out-pointers: every member answers E_POINTER, changes
// nothing and leaves no error object, so the host lives on.
TEST_F(ComServerTest, TheRegistryHelperAnswersNullOutPointersWithEPointer) {
    auto helper = server.CreateHelper();
    const UniqueBstr fileName(SysAllocString(L"C:\\Work\\nowhere.xml"));
    VARIANT_BOOL found = VARIANT_TRUE;
    ASSERT_EQ(helper->InitFromFileName(fileName.get(), &found), S_OK);
    const std::wstring before = Read(helper.get(), &IDocumentumRegistryHelper::get_FileName);

    const UniqueBstr id(SysAllocString(L"0900000000000a01"));
    for (const HelperLookup lookup : kLookups) {
        EXPECT_EQ(
            FailedLeavingNoErrorObject([&] { return (helper.get()->*lookup)(id.get(), nullptr); }),
            E_POINTER);
    }
    EXPECT_EQ(FailedLeavingNoErrorObject([&] { return helper->IsOpenForEdit(nullptr); }),
              E_POINTER);
    EXPECT_EQ(FailedLeavingNoErrorObject([&] { return helper->IsOpenForView(nullptr); }),
              E_POINTER);
    for (const HelperText getter : kTextMembers) {
        EXPECT_EQ(FailedLeavingNoErrorObject([&] { return (helper.get()->*getter)(nullptr); }),
                  E_POINTER);
    }
    EXPECT_EQ(Read(helper.get(), &IDocumentumRegistryHelper::get_FileName), before);
    EXPECT_EQ(Read(helper.get(), &IDocumentumRegistryHelper::get_ObjectID), L"");
}

TEST_F(ComServerTest, TheImportPickerAnswersNullOutPointersWithEPointerAndShowsNoDialog) {
    UniqueCom<IClassFactory> factory;
    ASSERT_EQ(server.getClassObject(CLSID_ImportPicker, IID_PPV_ARGS(factory.put())), S_OK);
    UniqueCom<IImportPicker> picker;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(picker.put())), S_OK);
    const UniqueBstr folder(SysAllocString(L"C:\\Last"));
    EXPECT_EQ(FailedLeavingNoErrorObject([&] {
                  return picker->SelectFilesAndFolders(folder.get(), folder.get(), nullptr,
                                                       nullptr);
              }),
              E_POINTER);
    EXPECT_EQ(FailedLeavingNoErrorObject([&] { return picker->get_LastSelectedFolder(nullptr); }),
              E_POINTER);
    EXPECT_EQ(FailedLeavingNoErrorObject([&] { return picker->get_LastSelectedFile(nullptr); }),
              E_POINTER);
    EXPECT_EQ(FailedLeavingNoErrorObject([&] { return picker->get_SelectedFolders(nullptr); }),
              E_POINTER);
    EXPECT_EQ(FailedLeavingNoErrorObject([&] { return picker->get_SelectedFiles(nullptr); }),
              E_POINTER);

    UniqueBstr last;
    ASSERT_EQ(picker->get_LastSelectedFolder(last.put()), S_OK);
    EXPECT_EQ(SysStringLen(last.get()), 0u);
}

// An object created through COM by its ProgID, as a script host creates it; empty if that fails.
UniqueCom<IDispatch> CreateByProgId(const wchar_t* progId) {
    UniqueCom<IDispatch> object;
    CLSID clsid;
    if (SUCCEEDED(CLSIDFromProgID(progId, &clsid))) {
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(object.put()));
    }
    return object;
}

// Created through COM by its ProgID, as a script host does, the helper answers through IDispatch:
// a lookup with a text argument, then the property that names what it found.
TEST_F(ComServerTest, TheRegistryHelperAnswersThroughDispatch) {
    UniqueCom<IDispatch> helper = CreateByProgId(L"PexanFernwick.DocumentumRegistryHelper");
    ASSERT_NE(helper.get(), nullptr);
    UniqueVariant id;
    id->vt = VT_BSTR;
    id->bstrVal = SysAllocString(L"0900000000000a01");
    DISPPARAMS arguments = {id.get(), nullptr, 1, 0};
    UniqueVariant found;
    ASSERT_EQ(helper->Invoke(IdOf(helper.get(), L"InitFromObjectID"), IID_NULL, LOCALE_USER_DEFAULT,
                             DISPATCH_METHOD, &arguments, found.get(), nullptr, nullptr),
              S_OK);
    EXPECT_EQ(found->vt, VT_BOOL);
    DISPPARAMS none = {};
    UniqueVariant objectId;
    ASSERT_EQ(helper->Invoke(IdOf(helper.get(), L"ObjectID"), IID_NULL, LOCALE_USER_DEFAULT,
                             DISPATCH_PROPERTYGET, &none, objectId.get(), nullptr, nullptr),
              S_OK);
    ASSERT_EQ(objectId->vt, VT_BSTR);
    EXPECT_STREQ(objectId->bstrVal, found->boolVal ? L"0900000000000a01" : L"");
}

// Created through COM by its ProgID, as a script host does, the picker answers the members that
// show no dialog through IDispatch: before any selection, empty texts and empty lists.
TEST_F(ComServerTest, TheImportPickerAnswersThroughDispatchBeforeAnySelection) {
    UniqueCom<IDispatch> picker = CreateByProgId(L"PexanFernwick.ImportPicker");
    ASSERT_NE(picker.get(), nullptr);
    const std::pair<const wchar_t*, VARTYPE> members[] = {
        {L"LastSelectedFolder", VT_BSTR},
        {L"LastSelectedFile", VT_BSTR},
        {L"SelectedFolders", VT_ARRAY | VT_VARIANT},
        {L"SelectedFiles", VT_ARRAY | VT_VARIANT}};
    for (const auto& [name, type] : members) {
        DISPPARAMS none = {};
        UniqueVariant value;
        ASSERT_EQ(picker->Invoke(IdOf(picker.get(), name), IID_NULL, LOCALE_USER_DEFAULT,
                                 DISPATCH_PROPERTYGET, &none, value.get(), nullptr, nullptr),
                  S_OK)
            << name;
        ASSERT_EQ(value->vt, type) << name;
        if (type == VT_BSTR) {
            EXPECT_EQ(SysStringLen(value->bstrVal), 0u);
        } else {
            EXPECT_EQ(value->parray->rgsabound[0].cElements, 0u);
        }
    }
}

TEST_F(ComServerTest, DispatchChecksItsArraysAndCountsBeforeAskingTheTypeInformation) {
    auto helper = server.CreateHelper();
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"ObjectID")};
    DISPID id = -99;
    EXPECT_EQ(helper->GetIDsOfNames(IID_NULL, nullptr, 1, LOCALE_USER_DEFAULT, &id), E_POINTER);
    EXPECT_EQ(helper->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, nullptr), E_POINTER);
    EXPECT_EQ(helper->GetIDsOfNames(IID_NULL, nullptr, 0, LOCALE_USER_DEFAULT, nullptr), E_POINTER);
    EXPECT_EQ(helper->GetIDsOfNames(IID_NULL, names, 0, LOCALE_USER_DEFAULT, &id), E_INVALIDARG);
    LPOLESTR withoutName[] = {const_cast<LPOLESTR>(L"ObjectID"), nullptr};
    DISPID ids[] = {-99, -99};
    EXPECT_EQ(helper->GetIDsOfNames(IID_NULL, withoutName, 2, LOCALE_USER_DEFAULT, ids),
              E_INVALIDARG);
    EXPECT_EQ(ids[1], -99);
    EXPECT_EQ(id, -99);
    EXPECT_EQ(helper->Invoke(4, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, nullptr,
                             nullptr, nullptr, nullptr),
              E_POINTER);
    EXPECT_EQ(IdOf(helper.get(), L"ObjectID"), 4);

    // A property put whose counts promise arrays that are missing or too short.
    const DISPID registryFile = IdOf(helper.get(), L"RegistryFile");
    const UniqueBstr path(SysAllocString(L"C:\\Work\\registry.txt"));
    VARIANT argument;
    V_VT(&argument) = VT_BSTR;
    V_BSTR(&argument) = path.get();
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS malformed[] = {{nullptr, nullptr, 1, 0},
                              {&argument, nullptr, 1, 1},
                              {&argument, &put, 0, 1},
                              {nullptr, &put, 0, 1}};
    for (DISPPARAMS& parameters : malformed) {
        EXPECT_EQ(helper->Invoke(registryFile, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                                 &parameters, nullptr, nullptr, nullptr),
                  E_INVALIDARG)
            << parameters.cArgs << " arguments, " << parameters.cNamedArgs << " named";
    }
    DISPPARAMS wellFormed = {&argument, &put, 1, 1};
    EXPECT_EQ(helper->Invoke(registryFile, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                             &wellFormed, nullptr, nullptr, nullptr),
              S_OK);
}

}  // namespace
}  // namespace fernwick
