// IDispatch without a registered type library.
#include "tests/win/com_server.h"

namespace fernwick {
namespace {

// Alone in its program, so that no type information has been loaded yet: unregistered, the
// objects still answer IDispatch from the library embedded in Fernwick.dll.
TEST_F(ComServerTest, DispatchWorksFromTheEmbeddedLibraryWithoutRegistration) {
    ASSERT_EQ(server.unregisterServer(), S_OK);
    ASSERT_FALSE(ClassesKeyExists(kClsidKey));

    auto helper = server.CreateHelper();
    ASSERT_TRUE(helper);
    UINT count = 0;
    EXPECT_EQ(helper->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(helper->GetTypeInfoCount(nullptr), E_POINTER);

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

    UniqueVariant result;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    ASSERT_EQ(helper->Invoke(4, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                             result.put(), nullptr, nullptr),
              S_OK);
    ASSERT_EQ(result->vt, VT_BSTR);
    ASSERT_NE(result->bstrVal, nullptr);  // empty, but allocated
    EXPECT_EQ(SysStringLen(result->bstrVal), 0u);

    UniqueCom<ITypeInfo> info;
    ASSERT_EQ(helper->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualIID(attributes->guid, IID_IDocumentumRegistryHelper));
    EXPECT_EQ(attributes->cFuncs, 7u + 15u);  // IUnknown and IDispatch, then its own members
    info->ReleaseTypeAttr(attributes);
    ITypeInfo* none_ = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(helper->GetTypeInfo(1, LOCALE_USER_DEFAULT, &none_), DISP_E_BADINDEX);
    EXPECT_EQ(none_, nullptr);

    ASSERT_EQ(server.registerServer(), S_OK);
}

}  // namespace
}  // namespace fernwick
