#include "registry_file_scan/registry_line_scanner.h"

#include <algorithm>
#include <cwchar>
#include <locale>
#include <utility>

#include "support/utf8_locale.h"
#include "support/utf_error.h"

namespace fernwick {
namespace {

constexpr std::size_t kMaxObjectIdUnits = 16;

std::string Folded(std::string text) {
    for (char& byte : text) byte = LineStops::FoldByte(byte);
    return text;
}

}  // namespace

std::optional<std::string> LineBytesOf(std::wstring_view text) {
    const auto& facet =
        std::use_facet<std::codecvt<wchar_t, char, std::mbstate_t>>(tolk::stdx::utf8Locale);
    std::string bytes(text.size() * 3, '\0');
    std::mbstate_t state{};
    const wchar_t* from = text.data();
    char* to = bytes.data();
    char* const end = bytes.data() + bytes.size();
    try {
        // The last character's continuation bytes come out of unshift.
        facet.out(state, text.data(), text.data() + text.size(), from, bytes.data(), end, to);
        char* const last = to;
        if (from != text.data() + text.size() ||
            facet.unshift(state, last, end, to) != std::codecvt_base::ok) {
            return std::nullopt;
        }
    } catch (const tolk::stdx::utf_error&) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(to - bytes.data()));
    if (bytes.find('\0') != std::string::npos) return std::nullopt;
    return bytes;
}

LineStops::LineStops(std::initializer_list<std::wstring_view> lines) {
    for (const std::wstring_view line : lines) {
        auto bytes = LineBytesOf(line);
        if (!bytes) continue;
        std::string folded = Folded(std::move(*bytes));
        if (foldedLines_.empty()) {
            start_ = end_ = folded;
            shortest_ = folded.size();
        }
        start_.resize(static_cast<std::size_t>(
            std::mismatch(start_.begin(), start_.end(), folded.begin(), folded.end()).first -
            start_.begin()));
        end_.erase(
            0, end_.size() - static_cast<std::size_t>(std::mismatch(end_.rbegin(), end_.rend(),
                                                                    folded.rbegin(), folded.rend())
                                                          .first -
                                                      end_.rbegin()));
        shortest_ = std::min(shortest_, folded.size());
        longest_ = std::max(longest_, folded.size());
        foldedLines_.push_back(std::move(folded));
    }
}

std::wstring_view RegistryLineScanner::Pending() {
    try {
        return buffer_.Pending();
    } catch (const tolk::stdx::utf_error&) {
        // As a stream read does: malformed text ends the text, the caller keeps what it read.
        // Running out of memory is no property of the file and goes on to the caller.
        stream_.setstate(std::ios_base::badbit);
        return {};
    }
}

bool RegistryLineScanner::NextIsSectionHeader() {
    if (!stream_.good()) return false;
    const std::wstring_view pending = Pending();
    return !pending.empty() && pending.front() == L'[';
}

// The rules of std::wistream::getline(line, kMaxLineUnits + 1).
std::wstring_view RegistryLineScanner::Read() {
    if (!stream_.good()) {
        stream_.setstate(std::ios_base::failbit);
        return {};
    }
    std::size_t stored = 0;
    for (;;) {
        const std::wstring_view pending = Pending();
        if (pending.empty()) {
            if (stream_.bad()) return Stored(stored);
            stream_.setstate(stored == 0 ? std::ios_base::eofbit | std::ios_base::failbit
                                         : std::ios_base::eofbit);
            return Stored(stored);
        }
        const std::size_t room = kMaxLineUnits - stored;
        if (room == 0) {
            if (pending.front() == L'\n') {
                buffer_.Take(1);
            } else {
                stream_.setstate(std::ios_base::failbit);
            }
            return Stored(stored);
        }
        // The buffer's pending units never go past the line's line feed.
        const std::size_t span = std::min(pending.size(), room);
        const bool lineFeed = span == pending.size() && pending.back() == L'\n';
        const std::size_t units = lineFeed ? span - 1 : span;
        if (lineFeed && stored == 0) {
            // The whole line lies in the decoded units: no copy.
            buffer_.Take(units + 1);
            return pending.substr(0, units);
        }
        std::wmemcpy(line_ + stored, pending.data(), units);
        stored += units;
        buffer_.Take(lineFeed ? units + 1 : units);
        if (lineFeed) return Stored(stored);
    }
}

bool RegistryLineScanner::ReturnTo(const LineMark& mark) {
    if (stream_.fail()) return false;
    stream_.clear();
    if (!buffer_.ReturnTo(mark)) {
        stream_.setstate(std::ios_base::failbit);
        return false;
    }
    return true;
}

bool IsSectionHeader(std::wstring_view line) { return !line.empty() && line.front() == L'['; }

void ParseSectionHeader(std::wstring_view header, LocalCopyRecord& record) {
    const std::size_t backslash = header.rfind(L'\\');
    if (backslash != std::wstring_view::npos && backslash > 0 && backslash + 1 < header.size()) {
        std::wstring_view id = header.substr(backslash + 1);
        id = id.substr(0, std::min(id.find(L']'), kMaxObjectIdUnits));
        record.ObjectID = id;
    }
    const std::size_t viewList = header.find(L"\\ViewFiles\\");
    record.Origin =
        viewList != std::wstring_view::npos && viewList > 0 ? OpenMode::View : OpenMode::Edit;
}

std::wstring_view ReadSection(RegistryLineScanner& lines, LocalCopyRecord& record) {
    PlainEntryValues passed;
    while (lines.CanRead()) {
        lines.PassSectionEntries(passed);
        const std::wstring_view line = lines.Read();
        // The lines passed come before this one.
        passed.MoveInto(record);
        if (IsSectionHeader(line)) return line;
        if (const auto entry = ParseEntry(line))
            AssignEntry(record, RecordEntryNamed(entry->name), entry->value);
    }
    return {};
}

}  // namespace fernwick
