#include "registry_helper/last_docbase_scan.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "registry_file_scan/line_window_bits.h"
#include "support/find_unit.h"

namespace fernwick {
namespace {

using tolk::stdx::FindText;
using tolk::stdx::FindUnit;

constexpr std::string_view kMarker = "\\XML Applications\\";
constexpr std::size_t kBlockSize = 64 * 1024;
// Each block is searched with the end of the one before it, so that a marker across the border is
// found, and the byte before the marker tells whether a line begins with it.
constexpr std::size_t kCarried = kMarker.size();
// A name is cut to what a line of the registry file may hold, so that a file cannot make the
// object keep more than that.
constexpr std::size_t kMaxNameUnits = 4094;

std::wstring Widen(std::string_view bytes) {
    std::wstring text(bytes.size(), L'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
    }
    return text;
}

// What the scan looks for next. Every marker it finds is the first of its line: each way on from
// a marker passes the rest of the line.
enum class Sought {
    Marker,
    LineEnd,  // the line began with the marker and holds no name
    NameEnd,  // a backslash ends the name, a line feed the line without one
};

// The bytes the scan has in hand: the end of the bytes before, then one block read.
class Window {
public:
    Window() : bytes_(std::make_unique<char[]>(kCarried + kBlockSize)) {}

    // Reads the next block behind the carried bytes; false at the end of the text.
    bool ReadNext(tolk::stdx::ByteSource& source) {
        if (lastBlock_) return false;
        const std::size_t kept = std::min(size_, kCarried);
        if (size_ > kept) before_ = bytes_[size_ - kept - 1];
        std::copy(bytes_.get() + size_ - kept, bytes_.get() + size_, bytes_.get());
        offset_ += size_ - kept;
        const std::size_t read = source.Read(bytes_.get() + kept, kBlockSize);
        if (read == 0) return false;
        const char* const end = bytes_.get() + kept + read;
        const char* const textEnd = FindUnit<char>(bytes_.get() + kept, end, '\x1A');
        lastBlock_ = textEnd != end;
        size_ = static_cast<std::size_t>(textEnd - bytes_.get());
        return true;
    }

    std::string_view Text() const { return {bytes_.get(), size_}; }
    std::uint64_t Offset() const { return offset_; }
    // Whether a line begins at this index: the first of the file, or the one after a line feed.
    bool LineStartsAt(std::size_t index) const {
        return index == 0 ? offset_ == 0 || before_ == '\n' : bytes_[index - 1] == '\n';
    }

private:
    std::unique_ptr<char[]> bytes_;
    std::size_t size_ = 0;
    std::uint64_t offset_ = 0;  // of the window's first byte in the file
    char before_ = '\n';        // the byte before the window, once there is one
    bool lastBlock_ = false;
};

// Whether the marker's first two bytes stand anywhere in the 64 bytes from window: one test that
// passes most windows without taking their masks.
bool HoldsMarkerStart(const char* window) {
#if defined(__SSE2__)
    const auto pairsIn = [window](int block) {
        const auto load = [](const char* at) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        };
        return _mm_and_si128(
            _mm_cmpeq_epi8(load(window + 16 * block), _mm_set1_epi8(kMarker[0])),
            _mm_cmpeq_epi8(load(window + 16 * block + 1), _mm_set1_epi8(kMarker[1])));
    };
    return _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(pairsIn(0), pairsIn(1)),
                                          _mm_or_si128(pairsIn(2), pairsIn(3)))) != 0;
#else
    return true;
#endif
}

// Lines in which the marker's first two bytes stand only at their start, if anywhere, hold no
// marker that counts: one that begins a line only makes the rest of it pass. Passes them 64 bytes
// at a time, from `at` (a line start where atLineStart says so) through the windows that lie whole
// before the text's last byte; answers the start of the first line that holds the two bytes
// elsewhere, or else where the passed bytes end, or the start of the last line among them that
// the two bytes begin.
std::size_t PastLinesWithoutInnerMarker(std::string_view text, std::size_t at, bool atLineStart) {
    const ByteBits64 firstBits(kMarker[0]);
    const ByteBits64 secondBits(kMarker[1]);
    const char* const first = text.data() + at;
    const char* window = first;
    const char* lastLeading = nullptr;  // the last place where the two bytes begin a line
    // The line start before a place, at or after `from`: looked for back from the place.
    const auto lineStartBefore = [&](const char* from, const char* place) {
        const char* const lineFeed = tolk::stdx::FindLastUnit(from, place, '\n');
        return static_cast<std::size_t>((lineFeed == nullptr ? from : lineFeed + 1) - text.data());
    };
    for (; text.data() + text.size() - window > 64; window += 64) {
        if (!HoldsMarkerStart(window)) continue;
        const std::uint64_t pairs = firstBits.In(window) & secondBits.In(window + 1);
        if (pairs == 0) continue;
        const bool windowStartsLine = window == first ? atLineStart : window[-1] == '\n';
        const std::uint64_t inside = pairs & ~(ByteBits64('\n').In(window) << 1 | windowStartsLine);
        if (inside != 0) return lineStartBefore(first, window + LowestBit(inside));
        lastLeading = window + 63 - __builtin_clzll(pairs);
    }
    if (lastLeading == nullptr) return static_cast<std::size_t>(window - text.data());
    return lineStartBefore(lastLeading, window);
}

}  // namespace

std::optional<std::wstring> FindLastConnectedDocbase(tolk::stdx::ByteSource& bytes) {
    // Outside the marker's lines the scan is a plain byte search.
    Window window;
    Sought sought = Sought::Marker;
    std::uint64_t next = 0;  // the file offset where the search goes on
    std::uint64_t nameStart = 0;

    while (window.ReadNext(bytes)) {
        const std::string_view text = window.Text();
        std::size_t at = static_cast<std::size_t>(next - window.Offset());
        while (at < text.size()) {
            const char* const end = text.data() + text.size();
            if (sought == Sought::Marker) {
                at = PastLinesWithoutInnerMarker(text, at, window.LineStartsAt(at));
                const char* const marker = FindText(text.data() + at, end, kMarker);
                if (marker == end) {
                    // A marker may begin in the bytes that the next block carries.
                    at = std::max(at, text.size() - std::min(text.size(), kMarker.size() - 1));
                    break;
                }
                const auto index = static_cast<std::size_t>(marker - text.data());
                sought = window.LineStartsAt(index) ? Sought::LineEnd : Sought::NameEnd;
                at = index + kMarker.size();
                nameStart = window.Offset() + at;
                continue;
            }
            const char* const from = text.data() + at;
            const char* const lineFeed = FindUnit(from, end, '\n');
            // The rest of a line that began with the marker passes as a whole: a marker counts
            // again once a line feed stands before it.
            const char* const backslash =
                sought == Sought::NameEnd ? FindUnit(from, lineFeed, '\\') : lineFeed;
            if (backslash != lineFeed) {
                const std::uint64_t nameEnd = std::min<std::uint64_t>(
                    window.Offset() + (backslash - text.data()), nameStart + kMaxNameUnits);
                if (nameStart >= window.Offset()) {
                    return Widen(text.substr(static_cast<std::size_t>(nameStart - window.Offset()),
                                             static_cast<std::size_t>(nameEnd - nameStart)));
                }
                // The name began in an earlier block: read it again from there.
                std::string name(static_cast<std::size_t>(nameEnd - nameStart), '\0');
                if (!bytes.Seek(nameStart) || bytes.Read(name.data(), name.size()) != name.size()) {
                    return std::nullopt;
                }
                return Widen(name);
            }
            at = static_cast<std::size_t>(lineFeed - text.data());
            if (lineFeed == end) break;
            ++at;
            sought = Sought::Marker;
        }
        next = window.Offset() + at;
    }
    return std::nullopt;
}

}  // namespace fernwick
