// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tallyport {

// How a settings file stores its text. Files that are valid UTF-8 are UTF-8; anything else is
// taken to be Shift-JIS (code page 932), as written by the program's Windows ancestors.
enum class TextEncoding { Utf8, ShiftJis };

bool isValidUtf8(std::string_view bytes);

TextEncoding detectEncoding(std::string_view fileBytes);

// Shift-JIS to UTF-8. Never fails: a byte that is not Shift-JIS becomes U+FFFD.
std::string decodeShiftJis(std::string_view bytes);

// UTF-8 to Shift-JIS; std::nullopt when the text holds a character Shift-JIS cannot store.
std::optional<std::string> encodeShiftJis(std::string_view utf8);

// The longest prefix of bytes of at most maxBytes that does not split a character.
std::string_view cutAtCharacter(std::string_view bytes, std::size_t maxBytes,
                                TextEncoding encoding);

} // namespace tallyport
