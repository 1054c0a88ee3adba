// Callers through the vtable may pass null out-pointers: every member answers E_POINTER and
// changes nothing, so the host lives on.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include "fernwick.h"
#include "support/unique_automation_win32.h"
#include "support/unique_handles_win32.h"
#include "tests/support/com_apartment_win32.h"

namespace fernwick {
namespace {

using tolk::stdx::UniqueBstr;
using tolk::stdx::UniqueCom;

template <typename Interface>
UniqueCom<Interface> Create(REFCLSID clsid, REFIID iid) {
    UniqueCom<Interface> object;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid,
                               reinterpret_cast<void**>(object.put())),
              S_OK);
    return object;
}

std::wstring Read(IDocumentumRegistryHelper* helper,
                  HRESULT (STDMETHODCALLTYPE IDocumentumRegistryHelper::*getter)(BSTR*)) {
    UniqueBstr text;
    EXPECT_EQ((helper->*getter)(text.put()), S_OK);
    return {text.get(), SysStringLen(text.get())};
}

class OutPointerTest : public ::testing::Test {
protected:
    const ComApartment apartment;
};

TEST_F(OutPointerTest, TheRegistryHelperAnswersNullOutPointersWithEPointer) {
    auto helper = Create<IDocumentumRegistryHelper>(CLSID_DocumentumRegistryHelper,
                                                    IID_IDocumentumRegistryHelper);
    ASSERT_TRUE(helper);
    const UniqueBstr fileName(SysAllocString(L"C:\\Work\\nowhere.xml"));
    VARIANT_BOOL found = VARIANT_TRUE;
    ASSERT_EQ(helper->InitFromFileName(fileName.get(), &found), S_OK);
    const std::wstring before = Read(helper.get(), &IDocumentumRegistryHelper::get_FileName);

    const UniqueBstr id(SysAllocString(L"0900000000000a01"));
    EXPECT_EQ(helper->InitFromObjectID(id.get(), nullptr), E_POINTER);
    EXPECT_EQ(helper->InitEditFromObjectID(id.get(), nullptr), E_POINTER);
    EXPECT_EQ(helper->InitViewFromObjectID(id.get(), nullptr), E_POINTER);
    EXPECT_EQ(helper->InitFromFileName(id.get(), nullptr), E_POINTER);
    EXPECT_EQ(helper->IsOpenForEdit(nullptr), E_POINTER);
    EXPECT_EQ(helper->IsOpenForView(nullptr), E_POINTER);
    for (auto getter :
         {&IDocumentumRegistryHelper::get_ObjectID, &IDocumentumRegistryHelper::get_UserName,
          &IDocumentumRegistryHelper::get_User, &IDocumentumRegistryHelper::get_DomainName,
          &IDocumentumRegistryHelper::get_DocbaseName, &IDocumentumRegistryHelper::get_FileName,
          &IDocumentumRegistryHelper::get_LastConnectedDocBaseName,
          &IDocumentumRegistryHelper::DetectUcfClientConfigXml}) {
        EXPECT_EQ((helper.get()->*getter)(nullptr), E_POINTER);
    }
    EXPECT_EQ(Read(helper.get(), &IDocumentumRegistryHelper::get_FileName), before);
    EXPECT_EQ(Read(helper.get(), &IDocumentumRegistryHelper::get_ObjectID), L"");
}

TEST_F(OutPointerTest, TheImportPickerAnswersNullOutPointersWithEPointerAndShowsNoDialog) {
    auto picker = Create<IImportPicker>(CLSID_ImportPicker, IID_IImportPicker);
    ASSERT_TRUE(picker);
    const UniqueBstr folder(SysAllocString(L"C:\\Last"));
    EXPECT_EQ(picker->SelectFilesAndFolders(folder.get(), folder.get(), nullptr, nullptr),
              E_POINTER);
    EXPECT_EQ(picker->get_LastSelectedFolder(nullptr), E_POINTER);
    EXPECT_EQ(picker->get_LastSelectedFile(nullptr), E_POINTER);
    EXPECT_EQ(picker->get_SelectedFolders(nullptr), E_POINTER);
    EXPECT_EQ(picker->get_SelectedFiles(nullptr), E_POINTER);

    UniqueBstr last;
    ASSERT_EQ(picker->get_LastSelectedFolder(last.put()), S_OK);
    EXPECT_EQ(SysStringLen(last.get()), 0u);
}

TEST_F(OutPointerTest, DispatchChecksNameAndIdArraysBeforeAskingTheTypeInformation) {
    auto helper = Create<IDispatch>(CLSID_DocumentumRegistryHelper, IID_IDispatch);
    ASSERT_TRUE(helper);
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"ObjectID")};
    DISPID id = -99;
    EXPECT_EQ(helper->GetIDsOfNames(IID_NULL, nullptr, 1, LOCALE_USER_DEFAULT, &id), E_POINTER);
    EXPECT_EQ(helper->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, nullptr), E_POINTER);
    EXPECT_EQ(id, -99);
    EXPECT_EQ(helper->Invoke(4, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, nullptr,
                             nullptr, nullptr, nullptr),
              E_POINTER);
    EXPECT_EQ(helper->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, 4);
}

}  // namespace
}  // namespace fernwick
