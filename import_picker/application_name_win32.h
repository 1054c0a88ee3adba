#pragma once

#include <string>

namespace fernwick {

// The caption of the component's messages: the base name of the file that resources come from,
// without its extension ("Fernwick" for Fernwick.dll).
std::wstring ApplicationName();

}  // namespace fernwick
