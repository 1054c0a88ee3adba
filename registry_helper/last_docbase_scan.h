#pragma once

#include <optional>
#include <string>

#include "support/byte_source.h"

namespace fernwick {

// Reads a registry file as 8-bit text (each byte the character of the same value; lines end at a
// line feed, the byte 1A ends the text, lines have no length limit) and answers the text between
// the first "\XML Applications\" of a line, when it stands at index 1 or more, and the next "\"
// of that line, cut to its first 4094 characters. Only the answer is held in memory, however long
// the lines.
std::optional<std::wstring> FindLastConnectedDocbase(tolk::stdx::ByteSource& bytes);

}  // namespace fernwick
