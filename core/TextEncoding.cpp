// SPDX-License-Identifier: MIT
#include "TextEncoding.h"

#include <algorithm>
#include <cerrno>

#include <iconv.h>

namespace tallyport {
namespace {

constexpr const char* kShiftJis = "CP932";
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Owns an iconv conversion descriptor.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
    ~Converter() {
        if (valid())
            ::iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of input as it can into output; returns false on a byte sequence the
    // source encoding does not allow (or the target cannot store), with input at that place.
    bool convert(std::string_view& input, std::string& output) {
        char buffer[4096];
        while (!input.empty()) {
            char* in = const_cast<char*>(input.data());
            size_t inLeft = input.size();
            char* out = buffer;
            size_t outLeft = sizeof buffer;
            const size_t result = ::iconv(cd_, &in, &inLeft, &out, &outLeft);
            output.append(buffer, static_cast<size_t>(out - buffer));
            input.remove_prefix(input.size() - inLeft);
            if (result == static_cast<size_t>(-1) && errno != E2BIG)
                return false;
        }
        return true;
    }

private:
    iconv_t cd_;
};

size_t utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

bool isShiftJisLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

} // namespace

bool isValidUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const size_t length = utf8SequenceLength(lead);
        if (length == 0 || i + length > bytes.size())
            return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80)
                return false;
        if (length >= 3) {
            const auto second = static_cast<unsigned char>(bytes[i + 1]);
            const bool overlong =
                (lead == 0xE0 && second < 0xA0) || (lead == 0xF0 && second < 0x90);
            const bool surrogate = lead == 0xED && second >= 0xA0;
            const bool tooLarge = lead == 0xF4 && second >= 0x90;
            if (overlong || surrogate || tooLarge)
                return false;
        }
        i += length;
    }
    return true;
}

TextEncoding detectEncoding(std::string_view fileBytes) {
    return isValidUtf8(fileBytes) ? TextEncoding::Utf8 : TextEncoding::ShiftJis;
}

std::string decodeShiftJis(std::string_view bytes) {
    Converter converter("UTF-8", kShiftJis);
    if (!converter.valid())
        return std::string(bytes);
    std::string output;
    output.reserve(bytes.size() * 3 / 2);
    while (!converter.convert(bytes, output)) {
        output.append(kReplacementCharacter);
        bytes.remove_prefix(1);
    }
    return output;
}

std::optional<std::string> encodeShiftJis(std::string_view utf8) {
    Converter converter(kShiftJis, "UTF-8");
    std::string output;
    if (!converter.valid() || !converter.convert(utf8, output))
        return std::nullopt;
    return output;
}

std::string_view cutAtCharacter(std::string_view bytes, size_t maxBytes, TextEncoding encoding) {
    if (bytes.size() <= maxBytes)
        return bytes;
    size_t end = 0;
    while (end < bytes.size()) {
        const auto byte = static_cast<unsigned char>(bytes[end]);
        size_t length = 1;
        if (encoding == TextEncoding::ShiftJis)
            length = isShiftJisLeadByte(byte) ? 2 : 1;
        else
            length = std::max<size_t>(utf8SequenceLength(byte), 1);
        if (end + length > maxBytes)
            break;
        end += length;
    }
    return bytes.substr(0, end);
}

} // namespace tallyport
