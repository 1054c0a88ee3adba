#include "registry_helper/registry_value_text.h"

#include <cstdint>

namespace fernwick {

namespace {

constexpr std::size_t kUnitBytes = 2;
constexpr std::size_t kMaxTextUnits = kValueBufferBytes / kUnitBytes - 1;

wchar_t UnitAt(std::span<const std::byte> data, std::size_t index) {
    const auto low = std::to_integer<std::uint16_t>(data[index * kUnitBytes]);
    const auto high = std::to_integer<std::uint16_t>(data[index * kUnitBytes + 1]);
    return static_cast<wchar_t>(low | (high << 8));
}

}  // namespace

bool AssignValueText(std::span<const std::byte> data, std::wstring& text) {
    if (data.size() > kValueBufferBytes) return false;
    const std::size_t units = data.size() / kUnitBytes;
    std::size_t length = 0;
    while (length < units && UnitAt(data, length) != L'\0') ++length;
    if (length > kMaxTextUnits) return false;
    text.resize(length);
    for (std::size_t i = 0; i < length; ++i) text[i] = UnitAt(data, i);
    return true;
}

}  // namespace fernwick
