// SPDX-License-Identifier: MIT
#include "ProfileText.h"

#include <cstdint>
#include <vector>

namespace tallyport {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view upToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

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

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find_first_of("\r\n", begin);
        if (end == std::string_view::npos) {
            lines.push_back({begin, text.size(), text.size()});
            break;
        }
        const size_t next = (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
                                ? end + 2
                                : end + 1;
        lines.push_back({begin, end, next});
        begin = next;
    }
    return lines;
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

// The lines of the first copy of a section: the header's index and one past its last line.
struct SectionSpan {
    size_t header;
    size_t end;
};

std::optional<SectionSpan> findSection(const std::vector<Line>& lines, std::string_view text,
                                       std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto name = sectionName(text.substr(lines[i].begin, lines[i].end - lines[i].begin));
        if (!name || !sameName(*name, trimmed(section)))
            continue;
        size_t end = i + 1;
        while (end < lines.size() &&
               !sectionName(text.substr(lines[end].begin, lines[end].end - lines[end].begin)))
            ++end;
        return SectionSpan{i, end};
    }
    return std::nullopt;
}

struct FoundKey {
    size_t lineIndex;
    KeyLine parts;
};

std::optional<FoundKey> findKey(const std::vector<Line>& lines, std::string_view text,
                                SectionSpan span, std::string_view key) {
    for (size_t i = span.header + 1; i < span.end; ++i) {
        const auto parts = keyLine(text.substr(lines[i].begin, lines[i].end - lines[i].begin));
        if (parts && sameName(parts->key, trimmed(key)))
            return FoundKey{i, *parts};
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

std::optional<std::string> ProfileText::value(std::string_view section, std::string_view key) const {
    const auto lines = splitLines(bytes_);
    const auto span = findSection(lines, bytes_, section);
    if (!span)
        return std::nullopt;
    const auto found = findKey(lines, bytes_, *span, key);
    if (!found)
        return std::nullopt;
    const Line& line = lines[found->lineIndex];
    const std::string_view raw = std::string_view(bytes_).substr(
        line.begin + found->parts.valueBegin, found->parts.valueEnd - found->parts.valueBegin);
    return std::string(withoutQuotes(upToNul(raw)));
}

void ProfileText::setValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::string clean = withoutLineBreaks(value);
    const std::string eol(lineEndOf(bytes_));
    const auto lines = splitLines(bytes_);
    const auto span = findSection(lines, bytes_, section);
    if (!span) {
        if (!bytes_.empty() && !endsWithLineEnd(bytes_))
            bytes_ += eol;
        bytes_ += "[" + std::string(section) + "]" + eol + std::string(key) + "=" + clean + eol;
        return;
    }
    if (const auto found = findKey(lines, bytes_, *span, key)) {
        const size_t begin = lines[found->lineIndex].begin + found->parts.valueBegin;
        bytes_.replace(begin, found->parts.valueEnd - found->parts.valueBegin, clean);
        return;
    }
    size_t last = span->header;
    for (size_t i = span->header + 1; i < span->end; ++i)
        if (!trimmed(std::string_view(bytes_).substr(lines[i].begin, lines[i].end - lines[i].begin))
                 .empty())
            last = i;
    const size_t insertAt = lines[last].next;
    std::string newLine = std::string(key) + "=" + clean + eol;
    if (insertAt == bytes_.size() && !endsWithLineEnd(bytes_))
        newLine = eol + newLine;
    bytes_.insert(insertAt, newLine);
}

int profileInteger(std::string_view text, int fallback) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (text.empty())
        return fallback;

    const bool hexadecimal = text.front() == '$' || text.front() == 'x' || text.front() == 'X' ||
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
