#pragma once

#include <cstddef>
#include <span>
#include <string>

namespace fernwick {

// A value's data is read into a buffer of this many bytes: 1024 UTF-16 units, the terminating NUL
// included.
inline constexpr std::size_t kValueBufferBytes = 2048;

// Turns the data of a registry value into text, whatever the value's type: UTF-16LE units up to
// the first NUL or to the end of the data, an odd last byte being no unit. Data larger than the
// buffer, or text that leaves no room in it for a terminating NUL, counts as missing: the answer
// is false and text is left as it was.
bool AssignValueText(std::span<const std::byte> data, std::wstring& text);

}  // namespace fernwick
