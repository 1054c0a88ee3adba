// The component server as a host sees it: Fernwick.dll loaded directly, its exports, class
// objects, objects, IDispatch and self-registration.
#include <windows.h>
#include <objsafe.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "fernwick.h"
#include "support/unique_automation_win32.h"
#include "support/unique_handles_win32.h"
#include "test_paths.h"

namespace {

using tolk::stdx::UniqueBstr;
using tolk::stdx::UniqueCom;

using DllGetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using DllFn = HRESULT(STDAPICALLTYPE*)();

const wchar_t kClsidKey[] = L"CLSID\\{4737567A-7ABB-40C9-A857-8EBB46B1494A}";
const wchar_t kAppId[] = L"{49E947BA-7002-47A2-B57F-6DA3272B679D}";
const wchar_t* const kSysKind = sizeof(void*) == 8 ? L"win64" : L"win32";
const CLSID kUnknownClsid = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

struct Server {
    explicit Server(const wchar_t* path = FERNWICK_DLL_PATH) : module(LoadLibraryW(path)) {}

    HMODULE module;
    DllGetClassObjectFn getClassObject = Export<DllGetClassObjectFn>("DllGetClassObject");
    DllFn canUnloadNow = Export<DllFn>("DllCanUnloadNow");
    DllFn registerServer = Export<DllFn>("DllRegisterServer");
    DllFn unregisterServer = Export<DllFn>("DllUnregisterServer");

    template <typename Fn>
    Fn Export(const char* name) {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }

    UniqueCom<IClassFactory> Factory() {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(getClassObject(CLSID_DocumentumRegistryHelper, IID_IClassFactory,
                                 reinterpret_cast<void**>(&factory)),
                  S_OK);
        return UniqueCom<IClassFactory>(factory);
    }

    UniqueCom<IDocumentumRegistryHelper> CreateHelper() {
        IDocumentumRegistryHelper* helper = nullptr;
        EXPECT_EQ(Factory().get()->CreateInstance(nullptr, IID_IDocumentumRegistryHelper,
                                                  reinterpret_cast<void**>(&helper)),
                  S_OK);
        return UniqueCom<IDocumentumRegistryHelper>(helper);
    }
};

Server& TheServer() {
    static Server server;
    return server;
}

std::optional<std::wstring> ClassesValue(const std::wstring& key, const wchar_t* name = nullptr) {
    wchar_t data[1024];
    DWORD size = sizeof(data);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(data);
}

bool ClassesKeyExists(const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

DISPID IdOf(IDispatch* dispatch, const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = -99;
    const HRESULT result = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return SUCCEEDED(result) ? id : -99;
}

class ComServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_NE(TheServer().module, nullptr);
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    Server& server = TheServer();
};

// Runs first, while the process has not loaded any type information yet: unregistered, the
// objects still answer IDispatch from the library embedded in Fernwick.dll.
TEST_F(ComServerTest, DispatchWorksFromTheEmbeddedLibraryWithoutRegistration) {
    ASSERT_EQ(server.unregisterServer(), S_OK);
    ASSERT_FALSE(ClassesKeyExists(kClsidKey));

    auto helper = server.CreateHelper();
    ASSERT_TRUE(helper);
    UINT count = 0;
    EXPECT_EQ(helper.get()->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(helper.get()->GetTypeInfoCount(nullptr), E_POINTER);

    const wchar_t* members[] = {L"InitFromObjectID",
                                L"UserName",
                                L"DomainName",
                                L"ObjectID",
                                L"DocbaseName",
                                L"FileName",
                                L"InitFromFileName",
                                L"IsOpenForEdit",
                                L"IsOpenForView",
                                L"InitViewFromObjectID",
                                L"LastConnectedDocBaseName",
                                L"InitEditFromObjectID",
                                L"RegistryFile",
                                L"User",
                                L"DetectUcfClientConfigXml"};
    for (DISPID id = 1; id <= 15; ++id) EXPECT_EQ(IdOf(helper.get(), members[id - 1]), id);
    EXPECT_EQ(IdOf(helper.get(), L"initfromobjectid"), 1);  // scripts may write any case
    EXPECT_EQ(IdOf(helper.get(), L"NoSuchMember"), -99);

    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    ASSERT_EQ(helper.get()->Invoke(4, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                   &result, nullptr, nullptr),
              S_OK);
    ASSERT_EQ(result.vt, VT_BSTR);
    ASSERT_NE(result.bstrVal, nullptr);  // empty, but allocated
    EXPECT_EQ(SysStringLen(result.bstrVal), 0u);
    VariantClear(&result);

    ITypeInfo* info = nullptr;
    ASSERT_EQ(helper.get()->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info), S_OK);
    UniqueCom<ITypeInfo> ownedInfo(info);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualIID(attributes->guid, IID_IDocumentumRegistryHelper));
    EXPECT_EQ(attributes->cFuncs, 7u + 15u);  // IUnknown and IDispatch, then its own members
    info->ReleaseTypeAttr(attributes);
    EXPECT_EQ(helper.get()->GetTypeInfo(1, LOCALE_USER_DEFAULT, &info), DISP_E_BADINDEX);

    ASSERT_EQ(server.registerServer(), S_OK);
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

TEST_F(ComServerTest, LockServerKeepsTheModuleLoaded) {
    auto factory = server.Factory();
    EXPECT_EQ(factory.get()->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(server.canUnloadNow(), S_FALSE);
    server.Factory().get()->LockServer(FALSE);
    EXPECT_EQ(server.canUnloadNow(), S_OK);
}

TEST_F(ComServerTest, CreateInstanceChecksItsArguments) {
    auto factory = server.Factory();
    EXPECT_EQ(factory.get()->CreateInstance(nullptr, IID_IDispatch, nullptr), E_POINTER);

    auto outer = server.CreateHelper();  // any unknown serves as an outer object here
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory.get()->CreateInstance(outer.get(), IID_IDispatch, &object),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);

    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory.get()->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
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

    IUnknown* inner = nullptr;
    ULONG references = 1;
};

TEST_F(ComServerTest, TheRegistryHelperCanBeAggregated) {
    Outer outer;
    ASSERT_EQ(server.Factory().get()->CreateInstance(&outer, IID_IUnknown,
                                                     reinterpret_cast<void**>(&outer.inner)),
              S_OK);
    EXPECT_EQ(server.canUnloadNow(), S_FALSE);

    IDocumentumRegistryHelper* helper = nullptr;
    ASSERT_EQ(
        outer.QueryInterface(IID_IDocumentumRegistryHelper, reinterpret_cast<void**>(&helper)),
        S_OK);
    EXPECT_EQ(outer.references, 2u);  // the inner object counts on the outer one
    IUnknown* identity = nullptr;
    ASSERT_EQ(helper->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
    identity->Release();
    VARIANT_BOOL found = VARIANT_TRUE;
    EXPECT_EQ(helper->InitFromObjectID(nullptr, &found), S_OK);
    EXPECT_EQ(found, VARIANT_FALSE);
    helper->Release();
    EXPECT_EQ(outer.references, 1u);

    outer.inner->Release();
    EXPECT_EQ(server.canUnloadNow(), S_OK);
}

TEST_F(ComServerTest, TheImportPickerIsNeverAggregatedAndDeclaresNoSafety) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(server.getClassObject(CLSID_ImportPicker, IID_IClassFactory,
                                    reinterpret_cast<void**>(&factory)),
              S_OK);
    const UniqueCom<IClassFactory> ownedFactory(factory);
    auto outer = server.CreateHelper();
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(outer.get(), IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);

    IImportPicker* picker = nullptr;
    ASSERT_EQ(
        factory->CreateInstance(nullptr, IID_IImportPicker, reinterpret_cast<void**>(&picker)),
        S_OK);
    const UniqueCom<IImportPicker> ownedPicker(picker);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(picker->QueryInterface(IID_IObjectSafety, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    ISupportErrorInfo* errorInfo = nullptr;
    ASSERT_EQ(picker->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&errorInfo)),
              S_OK);
    const UniqueCom<ISupportErrorInfo> ownedErrorInfo(errorInfo);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IImportPicker), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
    const wchar_t* members[] = {L"SelectFilesAndFolders", L"LastSelectedFolder",
                                L"LastSelectedFile", L"SelectedFolders", L"SelectedFiles"};
    for (DISPID id = 1; id <= 5; ++id) EXPECT_EQ(IdOf(picker, members[id - 1]), id);
}

TEST_F(ComServerTest, ErrorInfoAndSafetyDeclarations) {
    auto helper = server.CreateHelper();
    ISupportErrorInfo* errorInfo = nullptr;
    ASSERT_EQ(
        helper.get()->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&errorInfo)),
        S_OK);
    UniqueCom<ISupportErrorInfo> ownedErrorInfo(errorInfo);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IDocumentumRegistryHelper), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);

    IObjectSafety* safety = nullptr;
    ASSERT_EQ(helper.get()->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)),
              S_OK);
    UniqueCom<IObjectSafety> ownedSafety(safety);
    DWORD supported = 99, enabled = 99;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
    EXPECT_EQ(supported, 3u);
    EXPECT_EQ(enabled, 0u);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, nullptr, &enabled), E_POINTER);

    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 4, 4), E_FAIL);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 3, 1), S_OK);
    EXPECT_EQ(
        safety->GetInterfaceSafetyOptions(IID_IDocumentumRegistryHelper, &supported, &enabled),
        S_OK);
    EXPECT_EQ(enabled, 1u);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 2, 2), S_OK);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
    EXPECT_EQ(enabled, 3u);

    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IClassFactory, 1, 1), E_NOINTERFACE);
    supported = enabled = 99;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IClassFactory, &supported, &enabled),
              E_NOINTERFACE);
    EXPECT_EQ(supported, 0u);
    EXPECT_EQ(enabled, 0u);
}

struct RegisteredClass {
    const wchar_t* name;
    const wchar_t* clsid;
};
const RegisteredClass kClasses[] = {
    {L"DocumentumRegistryHelper", L"{4737567A-7ABB-40C9-A857-8EBB46B1494A}"},
    {L"ImportPicker", L"{36260C73-252C-4D32-AF66-C0EF0B8E70C0}"},
};

TEST_F(ComServerTest, RegistrationWritesAndRemovesExactlyItsEntries) {
    ASSERT_EQ(server.registerServer(), S_OK);
    EXPECT_EQ(ClassesValue(L"AppID\\" + std::wstring(kAppId)), L"PexanFernwick");
    EXPECT_EQ(ClassesValue(L"AppID\\PexanFernwick.DLL", L"AppID"), kAppId);
    for (const RegisteredClass& entry : kClasses) {
        const std::wstring name = entry.name;
        const std::wstring progId = L"PexanFernwick." + name;
        const std::wstring description = name + L" Class";
        const std::wstring key = L"CLSID\\" + std::wstring(entry.clsid);
        EXPECT_EQ(ClassesValue(progId + L".1"), description);
        EXPECT_EQ(ClassesValue(progId + L".1\\CLSID"), entry.clsid);
        EXPECT_EQ(ClassesValue(progId), description);
        EXPECT_EQ(ClassesValue(progId + L"\\CLSID"), entry.clsid);
        EXPECT_EQ(ClassesValue(progId + L"\\CurVer"), progId + L".1");
        EXPECT_EQ(ClassesValue(key), description);
        EXPECT_EQ(ClassesValue(key, L"AppID"), kAppId);
        EXPECT_EQ(ClassesValue(key + L"\\ProgID"), progId + L".1");
        EXPECT_EQ(ClassesValue(key + L"\\VersionIndependentProgID"), progId);
        EXPECT_TRUE(ClassesKeyExists(key + L"\\Programmable"));
        EXPECT_EQ(ClassesValue(key + L"\\InprocServer32"), std::wstring(FERNWICK_DLL_PATH));
        EXPECT_EQ(ClassesValue(key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
        EXPECT_EQ(ClassesValue(key + L"\\TypeLib"), L"{9BA540C4-2F32-4F5A-BBD9-1A6615071830}");
    }
    const std::wstring clsid = kClsidKey;
    ITypeLib* library = nullptr;
    ASSERT_EQ(LoadRegTypeLib(LIBID_FernwickLib, 1, 0, 0, &library), S_OK);
    library->Release();

    // A second registration replaces the class key as a whole.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, clsid.c_str(), 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"ThirdParty", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 4);
    RegCloseKey(key);
    ASSERT_TRUE(ClassesValue(clsid, L"ThirdParty"));
    ASSERT_EQ(server.registerServer(), S_OK);
    EXPECT_FALSE(ClassesValue(clsid, L"ThirdParty"));
    EXPECT_EQ(ClassesValue(clsid + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");

    ASSERT_EQ(server.unregisterServer(), S_OK);
    std::vector<std::wstring> gone = {
        L"AppID\\PexanFernwick.DLL", L"AppID\\" + std::wstring(kAppId),
        // the other build's type library entry, beside this one, may stay
        L"TypeLib\\{9BA540C4-2F32-4F5A-BBD9-1A6615071830}\\1.0\\0\\" + std::wstring(kSysKind)};
    for (const RegisteredClass& entry : kClasses) {
        gone.push_back(L"CLSID\\" + std::wstring(entry.clsid));
        gone.push_back(L"PexanFernwick." + std::wstring(entry.name));
        gone.push_back(L"PexanFernwick." + std::wstring(entry.name) + L".1");
    }
    for (const std::wstring& key : gone) {
        EXPECT_FALSE(ClassesKeyExists(key)) << std::string(key.begin(), key.end());
    }
    EXPECT_TRUE(ClassesKeyExists(L"CLSID"));
    EXPECT_TRUE(ClassesKeyExists(L"AppID"));

    // Leave the prefix registered for the suites that run after this program.
    EXPECT_EQ(server.registerServer(), S_OK);
}

// Every member, given null strings (the empty string) and 100,000-character ones: false or empty
// answers, always allocated strings, S_OK throughout. With the long registry file path the
// helper is in file mode, where a missing file leaves the record as it was.
TEST_F(ComServerTest, NullAndLongStringsAreAnsweredSafely) {
    auto helper = server.CreateHelper();
    IDocumentumRegistryHelper* h = helper.get();
    const UniqueBstr longText(SysAllocStringLen(nullptr, 100000));
    std::fill_n(longText.get(), 100000, L'7');
    using Lookup = HRESULT (STDMETHODCALLTYPE IDocumentumRegistryHelper::*)(BSTR, VARIANT_BOOL*);
    for (BSTR argument : {static_cast<BSTR>(nullptr), longText.get()}) {
        EXPECT_EQ(h->put_RegistryFile(argument), S_OK);
        for (Lookup lookup : {&IDocumentumRegistryHelper::InitFromObjectID,
                              &IDocumentumRegistryHelper::InitEditFromObjectID,
                              &IDocumentumRegistryHelper::InitViewFromObjectID,
                              &IDocumentumRegistryHelper::InitFromFileName}) {
            VARIANT_BOOL found = VARIANT_TRUE;
            EXPECT_EQ((h->*lookup)(argument, &found), S_OK);
            EXPECT_EQ(found, VARIANT_FALSE);
        }
        using Getter = HRESULT (STDMETHODCALLTYPE IDocumentumRegistryHelper::*)(BSTR*);
        for (Getter getter :
             {&IDocumentumRegistryHelper::get_ObjectID, &IDocumentumRegistryHelper::get_UserName,
              &IDocumentumRegistryHelper::get_User, &IDocumentumRegistryHelper::get_DomainName,
              &IDocumentumRegistryHelper::get_DocbaseName, &IDocumentumRegistryHelper::get_FileName,
              &IDocumentumRegistryHelper::get_LastConnectedDocBaseName,
              &IDocumentumRegistryHelper::DetectUcfClientConfigXml}) {
            BSTR text = nullptr;
            EXPECT_EQ((h->*getter)(&text), S_OK);
            EXPECT_NE(text, nullptr);
            EXPECT_EQ(SysStringLen(text), 0u);
            SysFreeString(text);
        }
        VARIANT_BOOL open = VARIANT_TRUE;
        EXPECT_EQ(h->IsOpenForEdit(&open), S_OK);
        EXPECT_EQ(open, VARIANT_FALSE);
    }
}

TEST_F(ComServerTest, TheFileCarriesItsVersion) {
    const DWORD size = GetFileVersionInfoSizeW(FERNWICK_DLL_PATH, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(FERNWICK_DLL_PATH, 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 1);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), 0);
    wchar_t* product = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\ProductName",
                               reinterpret_cast<void**>(&product), &length));
    EXPECT_STREQ(product, L"Fernwick");
}

// Bytes in use in all heaps of the process: Wine's PrivateUsage does not count heap growth.
SIZE_T HeapBytes() {
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 8);
    heaps.resize(GetProcessHeaps(heaps.size(), heaps.data()));
    SIZE_T used = 0;
    for (HANDLE heap : heaps) {
        HeapLock(heap);
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heap, &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) used += entry.cbData;
        }
        HeapUnlock(heap);
    }
    return used;
}

TEST_F(ComServerTest, ManyCreateUseReleaseCyclesLeakNothing) {
    auto factory = server.Factory();
    auto cycle = [&] {
        IDocumentumRegistryHelper* helper = nullptr;
        ASSERT_EQ(factory.get()->CreateInstance(nullptr, IID_IDocumentumRegistryHelper,
                                                reinterpret_cast<void**>(&helper)),
                  S_OK);
        BSTR name = nullptr;
        helper->put_RegistryFile(nullptr);
        helper->get_ObjectID(&name);
        SysFreeString(name);
        helper->Release();
    };
    for (int i = 0; i < 10000; ++i) cycle();
    const SIZE_T settled = HeapBytes();
    for (int i = 0; i < 90000; ++i) cycle();
    EXPECT_LT(HeapBytes(), settled + 256 * 1024);
    factory.reset();
    EXPECT_EQ(server.canUnloadNow(), S_OK);
}

// A host loads and frees the component again and again: each real unload gives back all that the
// load and the calls took, the C++ runtime's own buffers included.
TEST_F(ComServerTest, ManyLoadUseUnloadCyclesLeakNothing) {
    // A copy under its own name loads and unloads beside the module this program keeps loaded.
    const std::filesystem::path temp = std::filesystem::temp_directory_path();
    const std::wstring copy = temp / L"fernwick-unload.dll";
    ASSERT_TRUE(CopyFileW(FERNWICK_DLL_PATH, copy.c_str(), FALSE));
    // Its malformed last line makes the reader throw and catch inside, as a damaged file would.
    const std::filesystem::path registryFile = temp / L"fernwick-unload-registry.txt";
    std::ofstream(registryFile) << "[documentum\\Common\\WorkingFiles\\0900000000000a01]\n"
                                   "FileName=C:\\Work\\guide.xml\n\xff\n";
    const UniqueBstr path(SysAllocString(registryFile.c_str()));
    const UniqueBstr id(SysAllocString(L"0900000000000a01"));
    auto cycle = [&] {
        Server loaded(copy.c_str());
        ASSERT_NE(loaded.module, nullptr);
        {
            auto helper = loaded.CreateHelper();
            VARIANT_BOOL found = VARIANT_FALSE;
            helper.get()->put_RegistryFile(path.get());
            EXPECT_EQ(helper.get()->InitFromObjectID(id.get(), &found), S_OK);
            EXPECT_EQ(found, VARIANT_TRUE);
            EXPECT_EQ(IdOf(helper.get(), L"FileName"), 6);
        }
        EXPECT_EQ(loaded.canUnloadNow(), S_OK);
        FreeLibrary(loaded.module);
        EXPECT_EQ(GetModuleHandleW(copy.c_str()), nullptr);
    };
    for (int i = 0; i < 10; ++i) cycle();
    const SIZE_T settled = HeapBytes();
    for (int i = 0; i < 200; ++i) cycle();
    EXPECT_LT(HeapBytes(), settled + 64 * 1024);
    std::filesystem::remove(registryFile);
    DeleteFileW(copy.c_str());
}

}  // namespace
