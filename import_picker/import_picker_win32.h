#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "fernwick.h"
#include "server/dispatch_win32.h"
#include "support/unique_automation_win32.h"

namespace fernwick {

// The scriptable import picker: runs the Import dialog and keeps what the user chose on OK, the
// folders and files appended to two arrays of strings, together with the last folder and file
// picked. Properties hand out copies. The object cannot be aggregated.
class CImportPicker : public ISupportErrorInfo,
                      public DispatchImpl<IImportPicker, &IID_IImportPicker> {
public:
    static constexpr bool kAggregatable = false;

    virtual ~CImportPicker() = default;

    // Creates both arrays empty; where that fails the properties still answer an empty array.
    HRESULT FinalConstruct();
    IUnknown* InterfaceFor(REFIID riid);

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

    // IImportPicker
    STDMETHODIMP SelectFilesAndFolders(BSTR lastSelectedFolder, BSTR lastSelectedFile,
                                       BSTR fileSelectionFilterStr, VARIANT_BOOL* result) override;
    STDMETHODIMP get_LastSelectedFolder(BSTR* pVal) override;
    STDMETHODIMP get_LastSelectedFile(BSTR* pVal) override;
    STDMETHODIMP get_SelectedFolders(VARIANT* pVar) override;
    STDMETHODIMP get_SelectedFiles(VARIANT* pVar) override;

private:
    std::wstring lastFolder_;
    std::wstring lastFile_;
    tolk::stdx::UniqueSafeArray folders_;
    tolk::stdx::UniqueSafeArray files_;
};

}  // namespace fernwick
