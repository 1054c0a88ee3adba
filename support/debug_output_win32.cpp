#include "support/debug_output_win32.h"

#include <windows.h>

#include <new>
#include <string>

namespace tolk::stdx {

void TraceLine(std::wstring_view text) noexcept {
    try {
        std::wstring line = L"Fernwick: ";
        line.append(text);
        line += L'\n';
        OutputDebugStringW(line.c_str());
    } catch (const std::bad_alloc&) {
    }
}

}  // namespace tolk::stdx
