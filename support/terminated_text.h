#pragma once

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace tolk::stdx {

// A NUL-terminated copy of a text for the system calls that want one. Paths and names up to 511
// units stay on the stack; longer text (a script may pass text of any length) is copied to the
// heap, which may throw std::bad_alloc.
class TerminatedText {
public:
    explicit TerminatedText(std::wstring_view text) {
        if (text.size() < small_.size()) {
            *std::copy(text.begin(), text.end(), small_.begin()) = L'\0';
            pointer_ = small_.data();
        } else {
            large_.assign(text);
            pointer_ = large_.c_str();
        }
    }
    TerminatedText(const TerminatedText&) = delete;
    TerminatedText& operator=(const TerminatedText&) = delete;

    const wchar_t* get() const noexcept { return pointer_; }

private:
    std::array<wchar_t, 512> small_;
    std::wstring large_;
    const wchar_t* pointer_;
};

}  // namespace tolk::stdx
