#include "registry_helper/last_docbase_scan.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>

namespace fernwick {
namespace {

constexpr std::string_view kMarker = "\\XML Applications\\";
constexpr std::size_t kBlockSize = 64 * 1024;
constexpr std::uint64_t kNoName = ~std::uint64_t{0};

std::wstring Widen(std::string_view bytes) {
    std::wstring text(bytes.size(), L'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
    }
    return text;
}

// The marker's only border is its leading "\", so a mismatch falls back to 0 or 1 matched bytes.
class MarkerMatcher {
public:
    bool Feed(char byte) {
        if (byte == kMarker[matched_]) {
            ++matched_;
        } else {
            matched_ = byte == '\\' ? 1 : 0;
        }
        if (matched_ < kMarker.size()) return false;
        matched_ = 0;
        return true;
    }
    void Reset() { matched_ = 0; }
    bool Idle() const { return matched_ == 0; }

private:
    std::size_t matched_ = 0;
};

}  // namespace

std::optional<std::wstring> FindLastConnectedDocbase(tolk::stdx::ByteSource& bytes) {
    const auto block = std::make_unique<char[]>(kBlockSize);
    MarkerMatcher marker;
    std::uint64_t blockOffset = 0;
    std::uint64_t lineStart = 0;
    bool lineDone = false;  // the line's first marker stood at index 0, or none can follow
    std::uint64_t nameStart = kNoName;

    for (;;) {
        std::size_t size = bytes.Read(block.get(), kBlockSize);
        if (size == 0) return std::nullopt;
        const std::string_view text(block.get(), size);
        const std::size_t textEnd = text.find('\x1A');
        const bool lastBlock = textEnd != std::string_view::npos;
        if (lastBlock) size = textEnd;

        std::size_t lineFeed = text.find('\n');
        for (std::size_t i = 0; i < size; ++i) {
            if (i > lineFeed) lineFeed = text.find('\n', i);
            // Outside a match only a backslash or the end of the line can change anything.
            if (lineDone || nameStart != kNoName || marker.Idle()) {
                const std::size_t stop = lineDone ? lineFeed : text.find('\\', i);
                i = std::min({stop, lineFeed, size});
                if (i == size) break;
            }
            const char byte = text[i];
            if (byte == '\n') {
                lineStart = blockOffset + i + 1;
                lineDone = false;
                nameStart = kNoName;
                marker.Reset();
            } else if (nameStart != kNoName) {
                const std::uint64_t end = blockOffset + i;
                if (nameStart >= blockOffset) {
                    return Widen(text.substr(static_cast<std::size_t>(nameStart - blockOffset),
                                             static_cast<std::size_t>(end - nameStart)));
                }
                // The name began in an earlier block: read it again from there.
                std::string name(static_cast<std::size_t>(end - nameStart), '\0');
                if (!bytes.Seek(nameStart) || bytes.Read(name.data(), name.size()) != name.size()) {
                    return std::nullopt;
                }
                return Widen(name);
            } else if (marker.Feed(byte)) {
                const std::uint64_t next = blockOffset + i + 1;
                lineDone = next - kMarker.size() == lineStart;
                if (!lineDone) nameStart = next;
            }
        }
        if (lastBlock) return std::nullopt;
        blockOffset += size;
    }
}

}  // namespace fernwick
