#pragma once

// The lines a program writes to the debugger output, seen as a debugger sees them:
// OutputDebugString hands its text on in an exception (wide, narrow or both), which a vectored
// handler sees first and lets go on.
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>

namespace fernwick::tests {

class DebugLines {
public:
    DebugLines() : handler_(AddVectoredExceptionHandler(1, &Seen)) { seen_.clear(); }
    ~DebugLines() { RemoveVectoredExceptionHandler(handler_); }
    DebugLines(const DebugLines&) = delete;
    DebugLines& operator=(const DebugLines&) = delete;

    // The text seen since the last call, a line each.
    static std::wstring Take() { return std::exchange(seen_, {}); }

    // Whether one line of text holds every part.
    static bool AnyHolds(const std::wstring& text, std::initializer_list<std::wstring> parts) {
        for (std::size_t start = 0; start < text.size(); start = text.find(L'\n', start) + 1) {
            const std::wstring line = text.substr(start, text.find(L'\n', start) - start);
            if (std::all_of(parts.begin(), parts.end(), [&](const std::wstring& part) {
                    return line.find(part) != std::wstring::npos;
                })) {
                return true;
            }
        }
        return false;
    }

private:
    static LONG CALLBACK Seen(EXCEPTION_POINTERS* exception) {
        const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
        const auto* text = reinterpret_cast<const void*>(record.ExceptionInformation[1]);
        if (record.ExceptionCode == DBG_PRINTEXCEPTION_WIDE_C) {
            seen_ += static_cast<const wchar_t*>(text);
        } else if (record.ExceptionCode == DBG_PRINTEXCEPTION_C) {
            const std::string narrow = static_cast<const char*>(text);
            seen_.append(narrow.begin(), narrow.end());
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }

    static inline std::wstring seen_;
    void* handler_;
};

}  // namespace fernwick::tests
