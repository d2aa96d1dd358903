// SPDX-License-Identifier: MIT
#include "ProfileText.h"

#include <cstdint>

namespace tallyport {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view upToNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// One line of the text: [begin, end) is its content, next is where the following line starts.
struct Line {
    size_t begin;
    size_t end;
    size_t next;
};

// The line starting at begin. Lines are found one at a time, so a huge file costs no memory
// beyond its text.
Line lineAt(std::string_view text, size_t begin) {
    const size_t end = text.find_first_of("\r\n", begin);
    if (end == std::string_view::npos)
        return {begin, text.size(), text.size()};
    const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
    return {begin, end, end + (crlf ? 2 : 1)};
}

std::string_view contentOf(std::string_view text, const Line& line) {
    return text.substr(line.begin, line.end - line.begin);
}

std::optional<std::string_view> sectionName(std::string_view line) {
    line = trimmed(line);
    const size_t close = line.rfind(']');
    if (line.empty() || line.front() != '[' || close == std::string_view::npos)
        return std::nullopt;
    return trimmed(upToNul(line.substr(1, close - 1)));
}

// Where a key line's parts lie, as offsets into the line.
struct KeyLine {
    std::string_view key;
    size_t valueBegin;
    size_t valueEnd;
};

std::optional<KeyLine> keyLine(std::string_view line) {
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    size_t valueBegin = equals + 1;
    size_t valueEnd = line.size();
    while (valueBegin < valueEnd && isBlank(line[valueBegin]))
        ++valueBegin;
    while (valueEnd > valueBegin && isBlank(line[valueEnd - 1]))
        --valueEnd;
    return KeyLine{trimmed(upToNul(line.substr(0, equals))), valueBegin, valueEnd};
}

// The body of the first copy of a section: [bodyBegin, bodyEnd) holds its lines, and a new key
// goes at insertAt, after its last non-blank line (or its header).
struct SectionSpan {
    size_t bodyBegin;
    size_t bodyEnd;
    size_t insertAt;
};

std::optional<SectionSpan> findSection(std::string_view text, std::string_view section) {
    std::optional<SectionSpan> span;
    for (size_t at = 0; at < text.size();) {
        const Line line = lineAt(text, at);
        at = line.next;
        const auto name = sectionName(contentOf(text, line));
        if (span && name) {
            span->bodyEnd = line.begin;
            return span;
        }
        if (span && !trimmed(contentOf(text, line)).empty())
            span->insertAt = line.next;
        if (!span && name && sameName(*name, trimmed(section)))
            span = SectionSpan{line.next, text.size(), line.next};
    }
    return span;
}

// The first line of key in a section's body, and where its value lies in the text.
struct FoundKey {
    Line line;
    KeyLine parts;
};

std::optional<FoundKey> findKey(std::string_view text, SectionSpan span, std::string_view key) {
    for (size_t at = span.bodyBegin; at < span.bodyEnd;) {
        const Line line = lineAt(text, at);
        at = line.next;
        const auto parts = keyLine(contentOf(text, line));
        if (parts && sameName(parts->key, trimmed(key)))
            return FoundKey{line, *parts};
    }
    return std::nullopt;
}

std::string_view lineEndOf(std::string_view text) {
    const size_t end = text.find_first_of("\r\n");
    if (end == std::string_view::npos)
        return "\n";
    if (text[end] == '\r')
        return (end + 1 < text.size() && text[end + 1] == '\n') ? "\r\n" : "\r";
    return "\n";
}

bool endsWithLineEnd(std::string_view text) {
    return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

std::string withoutLineBreaks(std::string_view value) {
    std::string clean(value);
    for (char& c : clean)
        if (c == '\r' || c == '\n')
            c = ' ';
    return clean;
}

std::string_view withoutQuotes(std::string_view value) {
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == '"' || value.front() == '\''))
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

std::optional<std::string> ProfileText::value(std::string_view section,
                                              std::string_view key) const {
    const auto span = findSection(bytes_, section);
    if (!span)
        return std::nullopt;
    const auto found = findKey(bytes_, *span, key);
    if (!found)
        return std::nullopt;
    const std::string_view raw =
        std::string_view(bytes_).substr(found->line.begin + found->parts.valueBegin,
                                        found->parts.valueEnd - found->parts.valueBegin);
    return std::string(withoutQuotes(upToNul(raw)));
}

void ProfileText::setValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::string clean = withoutLineBreaks(value);
    const std::string eol(lineEndOf(bytes_));
    const auto span = findSection(bytes_, section);
    if (!span) {
        if (!bytes_.empty() && !endsWithLineEnd(bytes_))
            bytes_ += eol;
        bytes_ += "[" + std::string(section) + "]" + eol + std::string(key) + "=" + clean + eol;
        return;
    }
    if (const auto found = findKey(bytes_, *span, key)) {
        const size_t begin = found->line.begin + found->parts.valueBegin;
        bytes_.replace(begin, found->parts.valueEnd - found->parts.valueBegin, clean);
        return;
    }
    std::string newLine = std::string(key) + "=" + clean + eol;
    if (span->insertAt == bytes_.size() && !endsWithLineEnd(bytes_))
        newLine = eol + newLine;
    bytes_.insert(span->insertAt, newLine);
}

int profileInteger(std::string_view text, int fallback) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (text.empty())
        return fallback;

    const bool hexadecimal =
        text.front() == '$' || text.front() == 'x' || text.front() == 'X' ||
        (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'));
    if (hexadecimal) {
        text.remove_prefix(text.front() == '0' ? 2 : 1);
        if (text.empty())
            return fallback;
        std::uint64_t value = 0;
        for (char c : text) {
            int digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                return fallback;
            value = value * 16 + static_cast<std::uint64_t>(digit);
            if (value > 0xFFFFFFFFu)
                return fallback;
        }
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    }

    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return fallback;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return fallback;
        value = value * 10 + (c - '0');
        if (value > 2147483648LL)
            return fallback;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        return fallback;
    return static_cast<int>(value);
}

} // namespace tallyport
