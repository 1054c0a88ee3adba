#include "support/utf8_text_buffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "support/find_unit.h"
#include "support/utf8_locale.h"
#include "support/utf8_run.h"
#include "support/utf_error.h"

namespace tolk::stdx {
namespace {

constexpr std::size_t kChunkBytes = 16 * 1024;
// A chunk yields at most one unit per byte, plus the low half of a pair whose bytes began in the
// chunk before, plus a carriage return held back from that chunk.
constexpr std::size_t kUnitCapacity = kChunkBytes + 2;
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr std::mbstate_t kInitialState{};
// A line still open at the end of a block is carried into the next one up to this length; a longer
// one is decoded as it comes.
constexpr std::size_t kCarriedBytes = Utf8TextBuffer::kByteBlock / 4;
// Where fewer bytes than this are left of a block at a line peeked, the block is read on first.
constexpr std::size_t kShortRest = 128;

}  // namespace

Utf8TextBuffer::Utf8TextBuffer(ByteSource& bytes)
    : source_(bytes),
      codecvt_(&std::use_facet<Codecvt>(utf8Locale)),
      bytes_(new char[kByteBlock + kLookAhead]()),
      units_(new wchar_t[kUnitCapacity]) {
    std::wstreambuf::imbue(utf8Locale);
}

void Utf8TextBuffer::imbue(const std::locale& locale) {
    codecvt_ = &std::use_facet<Codecvt>(locale);
    judgesBytes_ = codecvt_ == &std::use_facet<Codecvt>(utf8Locale);
}

bool Utf8TextBuffer::FillBytes(std::size_t kept) {
    const bool atStart = bytesOffset_ == 0 && kept == 0;
    if (blockSize_ < kLargeByteBlock && bytesOffset_ >= kLargeSource) {
        std::unique_ptr<char[]> larger(new char[kLargeByteBlock + kLookAhead]());
        std::memcpy(larger.get(), bytes_.get() + bytesBegin_, kept);
        bytes_ = std::move(larger);
        blockSize_ = kLargeByteBlock;
    } else {
        std::memmove(bytes_.get(), bytes_.get() + bytesBegin_, kept);
    }
    std::size_t got = kept;
    while (got < blockSize_) {
        const std::size_t read = source_.Read(bytes_.get() + got, blockSize_ - got);
        if (read == 0) break;
        got += read;
    }
    bytesBegin_ = 0;
    bytesEnd_ = got;
    peekedEnd_ = 0;
    textEnded_ = got < blockSize_;
    // One pass finds both the end of the plain run and, in a plain block, the byte 1A.
    const char* const last = bytes_.get() + got;
    const char* stop = FindUtf8RunEnd(bytes_.get(), last);
    plainEnd_ = static_cast<std::size_t>(stop - bytes_.get());
    if (stop != last && *stop != '\x1A') stop = FindUnit(stop, last, '\x1A');
    if (stop != last) {
        bytesEnd_ = static_cast<std::size_t>(stop - bytes_.get());
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
    // After a peek, the chunk is the peeked line.
    const std::size_t bytesEnd = peekedEnd_ != 0 ? std::exchange(peekedEnd_, 0) : bytesEnd_;
    const char* end = from + std::min(bytesEnd - bytesBegin_, kChunkBytes);
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

void Utf8TextBuffer::StartLineArea(wchar_t* first) {
    wchar_t* const lineFeed = FindUnit(first, decodedEnd_, L'\n');
    const bool endsLine = lineFeed != decodedEnd_;
    wchar_t* end = endsLine ? lineFeed + 1 : decodedEnd_;
    nextLine_ = end;
    if (endsLine && lineFeed != first && lineFeed[-1] == L'\r') {
        lineFeed[-1] = L'\n';
        --end;
    }
    setg(first, first, end);
}

std::optional<Utf8TextBuffer::LineMark> Utf8TextBuffer::MarkAfterArea() const {
    // Nothing decoded since the start or the last return: decoding resumes at a line start.
    if (eback() == nullptr) return LineMark{bytesOffset_, 0};
    // An area's line feed always comes from the current chunk's bytes.
    if (egptr()[-1] == L'\n') return LineMark{chunkOffset_, lineFeedsBefore_ + 1};
    return std::nullopt;
}

std::optional<Utf8TextBuffer::LineMark> Utf8TextBuffer::MarkLineStart() const {
    if (gptr() == egptr()) return MarkAfterArea();
    if (gptr() == eback()) return areaMark_;
    return std::nullopt;
}

Utf8TextBuffer::int_type Utf8TextBuffer::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (nextLine_ != decodedEnd_) {
        // Inside a chunk, an area ends only at a line feed.
        areaMark_ = LineMark{chunkOffset_, ++lineFeedsBefore_};
        StartLineArea(nextLine_);
        return traits_type::to_int_type(*gptr());
    }
    // Taken before the chunk changes: a line that begins in a new chunk is marked from the line
    // feed before it, since its first bytes may lie in the chunk before (a held CR, bytes that
    // yield nothing, a sequence cut by the chunk's end).
    areaMark_ = MarkAfterArea();
    if (pendingError_) std::rethrow_exception(std::exchange(pendingError_, nullptr));

    for (;;) {
        if (bytesBegin_ == bytesEnd_ && (textEnded_ || !FillBytes())) {
            if (!carriageReturnHeld_) return traits_type::eof();
            carriageReturnHeld_ = false;
            units_[0] = L'\r';
            decodedEnd_ = units_.get() + 1;
            StartLineArea(units_.get());
            return traits_type::to_int_type(L'\r');
        }

        wchar_t* first = units_.get() + 1;
        const std::uint64_t chunkOffset = bytesOffset_;
        wchar_t* last = first + DecodeChunk(first);
        if (carriageReturnHeld_) {
            if (first == last && !pendingError_) continue;
            carriageReturnHeld_ = false;
            if (first == last || *first != L'\n') *--first = L'\r';
        }
        if (last != first && last[-1] == L'\r' && !pendingError_) {
            // The chunk ended between a CR and whatever follows it.
            carriageReturnHeld_ = true;
            --last;
        }
        if (first == last) {
            if (pendingError_) std::rethrow_exception(std::exchange(pendingError_, nullptr));
            continue;
        }
        chunkOffset_ = chunkOffset;
        lineFeedsBefore_ = 0;
        decodedEnd_ = last;
        StartLineArea(first);
        return traits_type::to_int_type(*first);
    }
}

std::optional<Utf8TextBuffer::PlainLine> Utf8TextBuffer::PeekPlainLine() {
    peekedEnd_ = 0;
    if (!judgesBytes_ || !RestartAtLineStart()) return std::nullopt;
    // A scan that passes the lines after this one by their bytes takes them 64 at a time: where
    // fewer than two windows' worth of the block are left, it is read on from here first, so that
    // the run ahead does not end a few lines on.
    const std::size_t left = bytesEnd_ - bytesBegin_;
    if (left < kShortRest && !textEnded_ && !FillBytes(left)) return std::nullopt;
    const char* lineFeed;
    for (;;) {
        lineFeed = FindUnit(bytes_.get() + bytesBegin_, bytes_.get() + bytesEnd_, '\n');
        if (lineFeed != bytes_.get() + bytesEnd_) break;
        const std::size_t open = bytesEnd_ - bytesBegin_;
        if (textEnded_ || open > kCarriedBytes || !FillBytes(open)) return std::nullopt;
    }
    const char* const first = bytes_.get() + bytesBegin_;
    if (plainEnd_ <= bytesBegin_) {
        plainEnd_ = static_cast<std::size_t>(FindUtf8RunEnd(first, bytes_.get() + bytesEnd_) -
                                             bytes_.get());
    }
    // Decoding ends with this line whether it is plain or not, so that no byte after it is decoded
    // before a scan has looked at that line's bytes in turn.
    peekedEnd_ = static_cast<std::size_t>(lineFeed + 1 - bytes_.get());
    if (lineFeed >= bytes_.get() + plainEnd_) return std::nullopt;
    return LineAt(first, lineFeed);
}

Utf8TextBuffer::PlainLine Utf8TextBuffer::LineAt(const char* lineStart, const char* lineFeed) {
    std::string_view text(lineStart, static_cast<std::size_t>(lineFeed - lineStart));
    if (const char* zero = FindUnit(lineStart, lineFeed, '\0'); zero != lineFeed) {
        // Zero bytes that only begin or end the line leave its text in place.
        const char* const textStart = zero == lineStart ? SkipZeroBytes(zero, lineFeed) : lineStart;
        const char* textEnd = zero == lineStart ? FindUnit(textStart, lineFeed, '\0') : zero;
        const char* const rest = SkipZeroBytes(textEnd, lineFeed);
        const std::string_view inPlace(textStart, static_cast<std::size_t>(textEnd - textStart));
        // A carriage return behind the zero bytes is the one dropped.
        if (rest != lineFeed && *rest == '\r' && rest + 1 == lineFeed) {
            return PlainLine{inPlace, lineStart};
        }
        if (rest == lineFeed) {
            text = inPlace;
        } else {
            zeroFree_.assign(text);
            zeroFree_.erase(std::remove(zeroFree_.begin(), zeroFree_.end(), '\0'), zeroFree_.end());
            text = zeroFree_;
        }
    }
    // As decoding does, a carriage return directly before the line feed is dropped.
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    return PlainLine{text, lineStart};
}

bool Utf8TextBuffer::RestartAtLineStart() {
    // Nothing decoded since the start, a return or a restart: the bytes are the read position.
    if (eback() == nullptr) return true;
    if (gptr() != egptr() || egptr()[-1] != L'\n') return false;
    // The area's line feed ended all that was decoded (as after a peek): decoding goes on where it
    // stopped, past nothing but zero bytes.
    if (nextLine_ == decodedEnd_ && !carriageReturnHeld_ && !pendingError_ &&
        std::memcmp(&state_, &kInitialState, sizeof state_) == 0) {
        DropDecoded();
        return true;
    }
    const std::uint64_t blockOffset = bytesOffset_ - bytesBegin_;
    if (chunkOffset_ < blockOffset) return false;
    // The area's line feed is the chunk's (lineFeedsBefore_ + 1)th, as for its mark.
    const char* const decoded = bytes_.get() + bytesBegin_;
    const char* lineStart = bytes_.get() + (chunkOffset_ - blockOffset);
    for (std::size_t i = 0; i <= lineFeedsBefore_; ++i) {
        const char* const lineFeed = FindUnit(lineStart, decoded, '\n');
        if (lineFeed == decoded) return false;
        lineStart = lineFeed + 1;
    }
    // The bytes are read from here on only: the plain run found ahead still holds.
    const auto restart = static_cast<std::size_t>(lineStart - bytes_.get());
    bytesOffset_ = blockOffset + restart;
    bytesBegin_ = restart;
    DropDecoded();
    return true;
}

bool Utf8TextBuffer::ReturnTo(const LineMark& mark) {
    if (!Reposition(mark.chunkOffset)) return false;
    if (mark.lineFeedsBefore == 0) return true;
    // The line feeds counted lie in the chunk's bytes, at most one chunk from its start.
    if (!FillBytes()) return false;
    const char* const begin = bytes_.get() + bytesBegin_;
    const char* const end = bytes_.get() + bytesEnd_;
    const char* lineStart = begin;
    for (std::size_t i = 0; i < mark.lineFeedsBefore; ++i) {
        const char* const lineFeed = FindUnit(lineStart, end, '\n');
        if (lineFeed == end) return false;
        lineStart = lineFeed + 1;
    }
    const auto skipped = static_cast<std::size_t>(lineStart - begin);
    bytesBegin_ += skipped;
    bytesOffset_ += skipped;
    return true;
}

bool Utf8TextBuffer::Reposition(std::uint64_t offset) {
    if (!source_.Seek(offset)) return false;
    bytesBegin_ = bytesEnd_ = 0;
    bytesOffset_ = offset;
    plainEnd_ = 0;
    textEnded_ = false;
    DropDecoded();
    return true;
}

void Utf8TextBuffer::DropDecoded() {
    nextLine_ = decodedEnd_ = nullptr;
    lineFeedsBefore_ = 0;
    peekedEnd_ = 0;
    carriageReturnHeld_ = false;
    pendingError_ = nullptr;
    state_ = std::mbstate_t{};
    setg(nullptr, nullptr, nullptr);
}

}  // namespace tolk::stdx
