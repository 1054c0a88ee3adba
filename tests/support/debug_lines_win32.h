#pragma once

// The lines a program writes to the debugger output, seen the way a debugger sees them:
// OutputDebugString hands its text on in an exception, which a vectored handler sees first and
// lets go on. Newer systems raise a wide one and then a narrow one for the same line.
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace fernwick::tests {

class DebugLines {
public:
    DebugLines() : handler_(AddVectoredExceptionHandler(1, &Seen)) { current_ = this; }
    ~DebugLines() {
        RemoveVectoredExceptionHandler(handler_);
        current_ = nullptr;
    }
    DebugLines(const DebugLines&) = delete;
    DebugLines& operator=(const DebugLines&) = delete;

    // The lines seen since the last call.
    std::vector<std::wstring> Take() { return std::exchange(lines_, {}); }

    // Whether one line of those seen holds every part.
    static bool AnyHolds(const std::vector<std::wstring>& lines,
                         const std::vector<std::wstring>& parts) {
        return std::any_of(lines.begin(), lines.end(), [&](const std::wstring& line) {
            return std::all_of(parts.begin(), parts.end(), [&](const std::wstring& part) {
                return line.find(part) != std::wstring::npos;
            });
        });
    }

private:
    static LONG CALLBACK Seen(EXCEPTION_POINTERS* exception) {
        const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
        if (!current_ || record.NumberParameters < 2) return EXCEPTION_CONTINUE_SEARCH;
        const auto length = static_cast<std::size_t>(record.ExceptionInformation[0]);
        if (record.ExceptionCode == DBG_PRINTEXCEPTION_WIDE_C) {
            const auto* text = reinterpret_cast<const wchar_t*>(record.ExceptionInformation[1]);
            current_->lines_.emplace_back(text, length > 0 ? length - 1 : 0);
        } else if (record.ExceptionCode == DBG_PRINTEXCEPTION_C) {
            const auto* text = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
            current_->lines_.emplace_back(text, text + (length > 0 ? length - 1 : 0));
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }

    static inline DebugLines* current_ = nullptr;
    void* handler_;
    std::vector<std::wstring> lines_;
};

}  // namespace fernwick::tests
