// Lookup by file name over a large client registry: the registry helper against a loop that makes
// only the registry calls such a lookup cannot avoid. Both hives are redirected into scratch keys
// that the program creates and deletes.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

#include "bench/rounds.h"
#include "registry_helper/helper_platform_win32.h"
#include "registry_helper/registry_helper.h"
#include "support/ascii_case.h"
#include "support/unique_handles_win32.h"

namespace {

using tolk::stdx::UniqueHkey;

constexpr int kDocumentsPerList = 5000;
constexpr int kRounds = 12;
const std::wstring kScratchKey = L"Software\\FernwickRegistryWalkBench";
const wchar_t kEditList[] = L"SOFTWARE\\Documentum\\Common\\WorkingFiles";
const wchar_t kViewList[] = L"SOFTWARE\\Documentum\\Common\\ViewFiles";

UniqueHkey CreateKey(HKEY parent, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        std::fwprintf(stderr, L"cannot create %ls\n", path.c_str());
        std::exit(1);
    }
    return UniqueHkey(key);
}

void SetString(HKEY key, const wchar_t* name, const std::wstring& text) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

std::wstring DocumentId(wchar_t list, int index) {
    wchar_t id[32];
    std::swprintf(id, 32, L"09000000%c%07d", list, index);
    return id;
}

// Fills the redirected current user's hive; answers the alternate path of the last view document.
std::wstring Populate(HKEY user) {
    const UniqueHkey edit = CreateKey(user, kEditList);
    const UniqueHkey view = CreateKey(user, kViewList);
    std::wstring lastAlternate;
    for (int i = 0; i < kDocumentsPerList; ++i) {
        const std::wstring editId = DocumentId(L'e', i);
        const UniqueHkey editDocument = CreateKey(edit.get(), editId);
        SetString(editDocument.get(), L"FileName", L"C:\\Work\\Edit\\" + editId + L".xml");
        SetString(editDocument.get(), L"DocbaseName", L"archive");

        const std::wstring viewId = DocumentId(L'v', i);
        const UniqueHkey viewDocument = CreateKey(view.get(), viewId);
        SetString(viewDocument.get(), L"FileName", L"C:\\Work\\View\\" + viewId + L".xml");
        SetString(viewDocument.get(), L"DocbaseName", L"archive");
        const UniqueHkey alternates = CreateKey(viewDocument.get(), L"Alternate FilePaths");
        lastAlternate = L"D:\\Copies\\" + viewId + L".xml";
        SetString(alternates.get(), L"1", L"E:\\Old\\" + viewId + L".xml<" + lastAlternate);
    }
    return lastAlternate;
}

bool ReadText(HKEY key, const wchar_t* name, wchar_t (&buffer)[1024]) {
    DWORD size = sizeof(buffer);
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    const std::size_t units = std::min<std::size_t>(size / sizeof(wchar_t), 1023);
    buffer[units] = L'\0';
    return true;
}

bool AnyAlternateEquals(std::wstring_view list, std::wstring_view name) {
    std::size_t start = 0;
    while (start < list.size()) {
        const std::size_t end = list.find(L'<', start);
        const std::wstring_view path = list.substr(start, end - start);
        if (!path.empty() && tolk::stdx::AsciiEqualsIgnoreCase(path, name)) return true;
        if (end == std::wstring_view::npos) break;
        start = end + 1;
    }
    return false;
}

// The registry calls of one lookup, with stack buffers and nothing else.
bool PlainLookup(std::wstring_view name) {
    wchar_t subkey[2048];
    wchar_t text[1024];
    wchar_t alternatesPath[512];
    for (const wchar_t* listPath : {kEditList, kViewList}) {
        const bool viewList = listPath == kViewList;
        HKEY list = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, listPath, 0, KEY_READ, &list) != ERROR_SUCCESS) {
            continue;
        }
        const UniqueHkey listOwner(list);
        for (DWORD index = 0;; ++index) {
            DWORD length = 2048;
            if (RegEnumKeyExW(list, index, subkey, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                break;
            }
            HKEY document = nullptr;
            if (RegOpenKeyExW(list, subkey, 0, KEY_READ, &document) != ERROR_SUCCESS) break;
            const UniqueHkey documentOwner(document);
            if (!ReadText(document, L"FileName", text)) continue;
            if (tolk::stdx::AsciiEqualsIgnoreCase(text, name)) return true;
            if (!viewList) continue;
            std::swprintf(alternatesPath, 512, L"%ls\\%ls\\Alternate FilePaths\\", kViewList,
                          subkey);
            HKEY alternates = nullptr;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, alternatesPath, 0, KEY_READ, &alternates) !=
                ERROR_SUCCESS) {
                continue;
            }
            const UniqueHkey alternatesOwner(alternates);
            if (!ReadText(alternates, L"1", text)) text[0] = L'\0';
            if (AnyAlternateEquals(text, name)) return true;
        }
    }
    return false;
}

void RequireFound(bool found) {
    if (!found) {
        std::fputs("lookup did not find the document\n", stderr);
        std::exit(1);
    }
}

}  // namespace

using fernwick::bench::Fastest;
using fernwick::bench::MedianRoundRatio;

int main() {
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey.c_str());
    UniqueHkey user = CreateKey(HKEY_CURRENT_USER, kScratchKey + L"\\user");
    UniqueHkey machine = CreateKey(HKEY_CURRENT_USER, kScratchKey + L"\\machine");
    const std::wstring target = Populate(user.get());
    RegOverridePredefKey(HKEY_CURRENT_USER, user.get());
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine.get());

    fernwick::RegistryHelper helper(fernwick::Win32HelperPlatform());
    // Alternating rounds: neither side always runs on a warmer server.
    const fernwick::bench::RoundTimes times = fernwick::bench::TimeInRounds(
        kRounds, [&] { RequireFound(helper.InitFromFileName(target)); },
        [&] { RequireFound(PlainLookup(target)); });

    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    user.reset();
    machine.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey.c_str());

    std::printf("registry_walk_lookup: %.2f ms\n", Fastest(times.measured) * 1e3);
    std::printf("registry_walk_plain_calls: %.2f ms\n", Fastest(times.baseline) * 1e3);
    std::printf("registry_walk_ratio: %.3f ratio\n", MedianRoundRatio(times));
    return 0;
}
