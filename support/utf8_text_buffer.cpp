#include "support/utf8_text_buffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "support/utf8_locale.h"
#include "support/utf_error.h"

namespace tolk::stdx {
namespace {

constexpr std::size_t kByteBlock = 64 * 1024;
constexpr std::size_t kChunkBytes = 16 * 1024;
// A chunk yields at most one unit per byte, plus the low half of a pair whose bytes began in the
// chunk before, plus a carriage return held back from that chunk.
constexpr std::size_t kUnitCapacity = kChunkBytes + 2;
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

}  // namespace

Utf8TextBuffer::Utf8TextBuffer(ByteSource& bytes)
    : source_(bytes),
      codecvt_(&std::use_facet<Codecvt>(utf8Locale)),
      bytes_(new char[kByteBlock]),
      units_(new wchar_t[kUnitCapacity]) {
    std::wstreambuf::imbue(utf8Locale);
}

void Utf8TextBuffer::imbue(const std::locale& locale) {
    codecvt_ = &std::use_facet<Codecvt>(locale);
}

bool Utf8TextBuffer::FillBytes() {
    const bool atStart = bytesOffset_ == 0;
    std::size_t got = 0;
    while (got < kByteBlock) {
        const std::size_t read = source_.Read(bytes_.get() + got, kByteBlock - got);
        if (read == 0) break;
        got += read;
    }
    bytesBegin_ = 0;
    bytesEnd_ = got;
    textEnded_ = got < kByteBlock;
    if (const void* stop = std::memchr(bytes_.get(), '\x1A', got)) {
        bytesEnd_ = static_cast<std::size_t>(static_cast<const char*>(stop) - bytes_.get());
        textEnded_ = true;
    }
    if (atStart && bytesEnd_ >= 3 && std::memcmp(bytes_.get(), kByteOrderMark, 3) == 0) {
        bytesBegin_ = 3;
        bytesOffset_ = 3;
    }
    return bytesBegin_ < bytesEnd_;
}

std::size_t Utf8TextBuffer::DecodeChunk(wchar_t* target) {
    const char* from = bytes_.get() + bytesBegin_;
    const char* end = from + std::min(bytesEnd_ - bytesBegin_, kChunkBytes);
    const char* next = from;
    wchar_t* written = target;
    try {
        codecvt_->in(state_, from, end, next, target, units_.get() + kUnitCapacity, written);
    } catch (const utf_error&) {
        pendingError_ = std::current_exception();
    }
    // A facet that can go no further (one that answers error, say) ends the text.
    if (next == from && written == target && !pendingError_) {
        textEnded_ = true;
        bytesEnd_ = bytesBegin_;
        return 0;
    }
    bytesBegin_ += static_cast<std::size_t>(next - from);
    bytesOffset_ += static_cast<std::uint64_t>(next - from);
    return static_cast<std::size_t>(written - target);
}

wchar_t* Utf8TextBuffer::DropCarriageReturnsBeforeLineFeeds(wchar_t* first, wchar_t* last) {
    wchar_t* kept = std::wmemchr(first, L'\r', static_cast<std::size_t>(last - first));
    if (kept == nullptr) return last;
    wchar_t* next = kept;
    while (next != last) {
        wchar_t* carriageReturn = std::wmemchr(next, L'\r', static_cast<std::size_t>(last - next));
        if (carriageReturn == nullptr) carriageReturn = last;
        const std::size_t run = static_cast<std::size_t>(carriageReturn - next);
        std::wmemmove(kept, next, run);
        kept += run;
        next = carriageReturn;
        if (next == last) break;
        if (next + 1 == last || next[1] != L'\n') *kept++ = L'\r';
        ++next;
    }
    return kept;
}

Utf8TextBuffer::int_type Utf8TextBuffer::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (pendingError_) std::rethrow_exception(std::exchange(pendingError_, nullptr));
    // Decided before decoding, which overwrites the area just used up.
    const bool startsLine = eback() == nullptr || (egptr() != eback() && egptr()[-1] == L'\n');

    for (;;) {
        if (bytesBegin_ == bytesEnd_ && (textEnded_ || !FillBytes())) {
            if (!carriageReturnHeld_) return traits_type::eof();
            carriageReturnHeld_ = false;
            units_[0] = L'\r';
            areaStartsLine_ = false;
            setg(units_.get(), units_.get(), units_.get() + 1);
            cursorUnit_ = units_.get() + 1;
            cursorByte_ = bytesBegin_;
            return traits_type::to_int_type(L'\r');
        }

        wchar_t* first = units_.get() + 1;
        const std::size_t chunkByte = bytesBegin_;
        wchar_t* last = first + DecodeChunk(first);
        if (carriageReturnHeld_) {
            if (first == last && !pendingError_) continue;
            carriageReturnHeld_ = false;
            if (first == last || *first != L'\n') *--first = L'\r';
        }
        last = DropCarriageReturnsBeforeLineFeeds(first, last);
        if (last != first && last[-1] == L'\r' && !pendingError_) {
            // The chunk ended between a CR and whatever follows it.
            carriageReturnHeld_ = true;
            --last;
        }
        if (first == last) {
            if (pendingError_) std::rethrow_exception(std::exchange(pendingError_, nullptr));
            continue;
        }
        areaStartsLine_ = startsLine;
        setg(first, first, last);
        // A held CR put in front came from the chunk before; the LF count starts after it.
        cursorUnit_ = first == units_.get() ? first + 1 : first;
        cursorByte_ = chunkByte;
        return traits_type::to_int_type(*first);
    }
}

Utf8TextBuffer::pos_type Utf8TextBuffer::seekoff(off_type offset, std::ios_base::seekdir direction,
                                                 std::ios_base::openmode which) {
    if (offset != 0 || direction != std::ios_base::cur || (which & std::ios_base::in) == 0) {
        return pos_type(off_type(-1));
    }
    // Nothing decoded since the start or the last seek.
    if (eback() == nullptr) return pos_type(static_cast<off_type>(bytesOffset_));
    const bool atLineStart = gptr() == eback() ? areaStartsLine_ : gptr()[-1] == L'\n';
    if (!atLineStart || gptr() < cursorUnit_) return pos_type(off_type(-1));

    for (const wchar_t* unit = cursorUnit_; unit != gptr(); ++unit) {
        unit = std::wmemchr(unit, L'\n', static_cast<std::size_t>(gptr() - unit));
        const auto lineFeed = static_cast<const char*>(
            std::memchr(bytes_.get() + cursorByte_, '\n', bytesBegin_ - cursorByte_));
        cursorByte_ = static_cast<std::size_t>(lineFeed - bytes_.get()) + 1;
    }
    cursorUnit_ = gptr();
    return pos_type(static_cast<off_type>(bytesOffset_ - (bytesBegin_ - cursorByte_)));
}

Utf8TextBuffer::pos_type Utf8TextBuffer::seekpos(pos_type position, std::ios_base::openmode which) {
    const off_type offset = position;
    if ((which & std::ios_base::in) == 0 || offset < 0 ||
        !source_.Seek(static_cast<std::uint64_t>(offset))) {
        return pos_type(off_type(-1));
    }
    bytesBegin_ = bytesEnd_ = 0;
    bytesOffset_ = static_cast<std::uint64_t>(offset);
    textEnded_ = false;
    carriageReturnHeld_ = false;
    pendingError_ = nullptr;
    state_ = std::mbstate_t{};
    setg(nullptr, nullptr, nullptr);
    return position;
}

}  // namespace tolk::stdx
