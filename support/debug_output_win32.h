#pragma once

#include <string_view>

namespace tolk::stdx {

// Writes one line, "Fernwick: " and the text, to the debugger output (OutputDebugStringW), where
// DebugView or a debugger shows it. It is for the reasons an answer is empty that a person would
// want to know; only a debugger sees it, never a caller. A line that cannot be put together for
// want of memory is left out.
void TraceLine(std::wstring_view text) noexcept;

}  // namespace tolk::stdx
