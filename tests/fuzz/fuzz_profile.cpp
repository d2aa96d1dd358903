// SPDX-License-Identifier: MIT
// libFuzzer target for the profile-file reader/writer, the integer reader and the text encodings.
// Input: a first line "section<TAB>key<TAB>value", then the text of a profile file.
// Checks, beyond "no crash, no leak, no undefined behaviour":
// - a plain value written to a plain key reads back unchanged;
// - writing the value a key already holds changes nothing (where no quotes or NUL bytes make the
//   value read differ from the bytes stored);
// - a cut never exceeds its limit and is a prefix of its input.
#include "ProfileText.h"
#include "TextEncoding.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace tallyport;

namespace {

bool isPlainName(std::string_view name) {
    if (name.empty())
        return false;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

bool isPlainValue(std::string_view value) {
    if (!value.empty() && (value.front() == ' ' || value.front() == '\t' || value.back() == ' ' ||
                           value.back() == '\t' || value.front() == '"' || value.front() == '\''))
        return false;
    return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

void require(bool condition) {
    if (!condition)
        std::abort();
}

std::string_view field(std::string_view& line) {
    const size_t tab = line.find('\t');
    const std::string_view head = line.substr(0, tab);
    line.remove_prefix(tab == std::string_view::npos ? line.size() : tab + 1);
    return head;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t newline = input.find('\n');
    std::string_view header = input.substr(0, newline);
    const std::string_view file =
        newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
    const std::string_view section = field(header);
    const std::string_view key = field(header);
    const std::string_view value = header;

    profileInteger(value, 7);
    profileInteger(file.substr(0, 64), -1);

    ProfileText text{std::string(file)};
    const auto before = text.value(section, key);
    const bool storedAsRead =
        file.find_first_of(std::string_view("\"'\0", 3)) == std::string_view::npos;
    if (before && storedAsRead && isPlainValue(*before)) {
        ProfileText same = text;
        same.setValue(section, key, *before);
        require(same.bytes() == text.bytes());
    }
    text.setValue(section, key, value);
    if (isPlainName(section) && isPlainName(key) && isPlainValue(value))
        require(text.value(section, key) == std::string(value));

    for (const TextEncoding encoding : {TextEncoding::Utf8, TextEncoding::ShiftJis}) {
        const std::string_view cut = cutAtCharacter(file, size % 97, encoding);
        require(cut.size() <= size % 97 || cut.size() == file.size());
        require(file.substr(0, cut.size()) == cut);
    }
    const std::string decoded = decodeShiftJis(file);
    require(isValidUtf8(decoded));
    if (const auto encoded = encodeShiftJis(decoded))
        require(isValidUtf8(decodeShiftJis(*encoded)));
    return 0;
}
