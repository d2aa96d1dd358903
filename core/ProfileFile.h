// SPDX-License-Identifier: MIT
#pragma once

#include "ProfileText.h"
#include "TextEncoding.h"

#include <stdexcept>
#include <string>

namespace tallyport {

// A value could not be written to a profile file; the message says why.
class ProfileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A profile file on disk. Values are handed out and taken in as UTF-8; the file keeps its own
// encoding (UTF-8, or Shift-JIS for a file that is not valid UTF-8), its line ends and every byte
// that is not a value being changed.
class ProfileFile {
public:
    // Longest text value read, in the file's own bytes (the profile functions' 2,048-byte buffer
    // less its terminator). A longer value is cut there, never inside a character.
    static constexpr std::size_t kMaxValueBytes = 2047;

    // Reads the file once. A missing, unreadable or non-regular file reads as empty. Never throws.
    static ProfileFile read(const std::string& path);

    // The value of key in section (see ProfileText::value), cut to kMaxValueBytes and decoded;
    // fallback when the section or key is missing.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;

    // The value of key in section read by profileInteger; fallback when missing or unparsable.
    int readInteger(std::string_view section, std::string_view key, int fallback) const;

    // Writes one value as a complete access of its own: reads the file as it is now, changes the
    // value (ProfileText::setValue) and replaces the file atomically, so a crash or a concurrent
    // writer never leaves a half-written file. A value that is already stored leaves the file
    // untouched. Creates a missing file in UTF-8. A Shift-JIS file that must store a character
    // Shift-JIS lacks is rewritten as UTF-8 rather than lose the character.
    // Throws ProfileWriteError when the file exists but cannot be written (permissions, read-only
    // file system, a folder or other non-file in its place), or cannot be created or replaced.
    static void writeString(const std::string& path, std::string_view section, std::string_view key,
                            std::string_view value);

    static void writeInteger(const std::string& path, std::string_view section,
                             std::string_view key, int value);

private:
    ProfileText text_;
    TextEncoding encoding_ = TextEncoding::Utf8;
};

} // namespace tallyport
