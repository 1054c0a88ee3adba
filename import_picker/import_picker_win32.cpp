#include "import_picker/import_picker_win32.h"

#include <set>
#include <string_view>

#include "import_picker/import_picker_dlg_win32.h"
#include "server/automation_values_win32.h"
#include "server/com_call_win32.h"
#include "support/unique_handles_win32.h"

namespace fernwick {
namespace {

using tolk::stdx::UniqueSafeArray;
using tolk::stdx::UniqueVariant;

UniqueSafeArray EmptyArray() {
    SAFEARRAYBOUND bound{0, 0};
    return UniqueSafeArray(SafeArrayCreate(VT_VARIANT, 1, &bound));
}

// A copy of array (an empty array where there is none), or nothing when memory runs out.
UniqueSafeArray CopyOf(SAFEARRAY* array) {
    if (!array) return EmptyArray();
    UniqueSafeArray copy;
    if (FAILED(SafeArrayCopy(array, copy.put()))) return {};
    return copy;
}

// A copy of array with one VT_BSTR element for each path appended, in the set's order; nothing
// when memory runs out.
UniqueSafeArray Appended(SAFEARRAY* array, const std::set<std::wstring>& paths) {
    UniqueSafeArray result = CopyOf(array);
    if (!result || paths.empty()) return result;
    LONG upper = -1;
    SafeArrayGetUBound(result.get(), 1, &upper);
    LONG index = upper + 1;
    SAFEARRAYBOUND grown{static_cast<ULONG>(index + paths.size()), 0};
    if (FAILED(SafeArrayRedim(result.get(), &grown))) return {};
    for (const std::wstring& path : paths) {
        UniqueVariant element;
        element->vt = VT_BSTR;
        element->bstrVal = SysAllocStringLen(path.data(), static_cast<UINT>(path.size()));
        if (!element->bstrVal) return {};
        if (FAILED(SafeArrayPutElement(result.get(), &index, element.get()))) return {};
        ++index;
    }
    return result;
}

// An out-parameter holds nothing of the caller's yet, so it is written without being cleared.
HRESULT CopyOut(SAFEARRAY* array, VARIANT* out) {
    if (!out) return E_POINTER;
    UniqueSafeArray copy = CopyOf(array);
    if (!copy) return E_OUTOFMEMORY;
    VariantInit(out);
    out->vt = VT_ARRAY | VT_VARIANT;
    out->parray = copy.release();
    return S_OK;
}

}  // namespace

HRESULT CImportPicker::FinalConstruct() {
    folders_ = EmptyArray();
    files_ = EmptyArray();
    return S_OK;
}

IUnknown* CImportPicker::InterfaceFor(REFIID riid) {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IImportPicker) ||
        IsEqualIID(riid, IID_IDispatch)) {
        return static_cast<IImportPicker*>(this);
    }
    if (IsEqualIID(riid, IID_ISupportErrorInfo)) return static_cast<ISupportErrorInfo*>(this);
    return nullptr;
}

STDMETHODIMP CImportPicker::InterfaceSupportsErrorInfo(REFIID riid) {
    return IsEqualIID(riid, IID_IImportPicker) ? S_OK : S_FALSE;
}

STDMETHODIMP CImportPicker::SelectFilesAndFolders(BSTR lastSelectedFolder, BSTR lastSelectedFile,
                                                  BSTR fileSelectionFilterStr,
                                                  VARIANT_BOOL* result) {
    return ComCall([&] {
        if (!result) return E_POINTER;
        // A host may release its last reference from an event handler while the dialog runs.
        IImportPicker* self = this;
        self->AddRef();
        const tolk::stdx::UniqueCom<IImportPicker> keepAlive(self);
        *result = VARIANT_FALSE;
        lastFolder_ = Text(lastSelectedFolder);
        lastFile_ = Text(lastSelectedFile);
        ImportPickerDlg dialog(lastFolder_, lastFile_, std::wstring(Text(fileSelectionFilterStr)));
        if (dialog.DoModal() != IDOK) return S_OK;

        UniqueSafeArray folders = Appended(folders_.get(), dialog.SelectedFolders());
        UniqueSafeArray files = Appended(files_.get(), dialog.SelectedFiles());
        if (!folders || !files) return E_OUTOFMEMORY;
        std::wstring lastFolder = dialog.LastSelectedFolder();
        std::wstring lastFile = dialog.LastSelectedFile();
        folders_ = std::move(folders);
        files_ = std::move(files);
        lastFolder_ = std::move(lastFolder);
        lastFile_ = std::move(lastFile);
        *result = VARIANT_TRUE;
        return S_OK;
    });
}

STDMETHODIMP CImportPicker::get_LastSelectedFolder(BSTR* pVal) {
    return ComCall([&] { return CopyOut(lastFolder_, pVal); });
}

STDMETHODIMP CImportPicker::get_LastSelectedFile(BSTR* pVal) {
    return ComCall([&] { return CopyOut(lastFile_, pVal); });
}

STDMETHODIMP CImportPicker::get_SelectedFolders(VARIANT* pVar) {
    return ComCall([&] { return CopyOut(folders_.get(), pVar); });
}

STDMETHODIMP CImportPicker::get_SelectedFiles(VARIANT* pVar) {
    return ComCall([&] { return CopyOut(files_.get(), pVar); });
}

}  // namespace fernwick
