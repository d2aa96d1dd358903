// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tallyport {

// The text of a profile (INI) file, read and edited as the platform's profile functions do. It
// works on bytes, so any ASCII-compatible encoding (UTF-8, Shift-JIS) passes through untouched.
//
// We keep our own reader/writer instead of QSettings because QSettings rewrites the whole file in
// its own layout and escapes values; users' files must keep every byte we do not change.
//
// The rules, for reading and writing alike:
// - Lines end at CRLF, LF or a lone CR; the last line needs no line end.
// - A section header is a line whose first non-blank byte is "[" and which holds a "]"; the name
//   lies between the "[" and the last "]", blanks around it removed; the rest of the line is
//   ignored.
// - A key line holds "="; the key is what comes before the first "=", the value what follows it,
//   both without the blanks and tabs around them. A NUL byte ends a key or a value. Other lines
//   (comments, blank lines, lines without "=") are never looked at and never changed.
// - Names match without regard to ASCII letter case. Only the first copy of a repeated section is
//   used, and in it only the first line of a repeated key. Keys before the first header belong to
//   no section.
class ProfileText {
public:
    explicit ProfileText(std::string bytes = {}) : bytes_(std::move(bytes)) {}

    // The value of key in section: found gives the value (empty when the line is "Key="), with one
    // pair of matching quotes (" or ') around it removed; a missing section or key gives nullopt.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Sets key in section to value, written verbatim. An existing value is replaced in place and
    // the line keeps its own spelling and spacing; a missing key is added after the last non-blank
    // line of its section; a missing section is added at the end of the text. New lines use the
    // text's own line end (LF for an empty text). Line breaks in value become blanks, so a value
    // can never add lines of its own.
    void setValue(std::string_view section, std::string_view key, std::string_view value);

    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

// Reads an integer as the profile functions' callers do: "0x"/"0X" (with digits after it), "$",
// "x" or "X" introduce hexadecimal digits worth at most FFFFFFFF, taken as a 32-bit pattern
// (FFFFFFFF is -1); otherwise an optional sign and decimal digits within the 32-bit range. Leading
// blanks are skipped. Anything else (empty text, trailing characters, a sign with a hexadecimal
// prefix, out of range) gives fallback.
int profileInteger(std::string_view text, int fallback);

} // namespace tallyport
