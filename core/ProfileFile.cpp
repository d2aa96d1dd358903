// SPDX-License-Identifier: MIT
#include "ProfileFile.h"

#include "Platform.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallyport {
namespace {

[[noreturn]] void failWrite(const std::string& path, const std::string& reason) {
    throw ProfileWriteError("cannot write '" + path + "': " + reason);
}

// The whole file, or nullopt when there is no regular file to read. O_NONBLOCK keeps a FIFO in
// the file's place from stalling us.
std::optional<std::string> readRegularFile(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    if (!fd || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    std::string bytes;
    bytes.reserve(static_cast<size_t>(status.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return bytes;
        bytes.append(buffer, static_cast<size_t>(got));
    }
}

// The existing file must accept writes as it is: replacing it through the folder would quietly
// get round a read-only file.
void requireWritable(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        if (errno == ENOENT)
            return;
        failWrite(path, std::strerror(errno));
    }
    if (!S_ISREG(status.st_mode))
        failWrite(path, "it is not a regular file");
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        failWrite(path, std::strerror(errno));
}

void replaceAtomically(const std::string& path, const std::string& bytes) {
    QSaveFile file(QFile::decodeName(path.c_str()));
    if (!file.open(QIODevice::WriteOnly))
        failWrite(path, file.errorString().toStdString());
    const auto size = static_cast<qint64>(bytes.size());
    // The explicit flush matters: a buffered write that the file system refuses (full disk, file
    // size limit) can otherwise still end in a successful commit of a truncated file.
    if (file.write(bytes.data(), size) != size || !file.flush() || !file.commit())
        failWrite(path, file.errorString().toStdString());
}

} // namespace

ProfileFile ProfileFile::read(const std::string& path) {
    ProfileFile file;
    if (auto bytes = readRegularFile(path)) {
        file.encoding_ = detectEncoding(*bytes);
        file.text_ = ProfileText(std::move(*bytes));
    }
    return file;
}

std::string ProfileFile::readString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
    const auto stored = text_.value(section, key);
    if (!stored)
        return std::string(fallback);
    const std::string_view cut = cutAtCharacter(*stored, kMaxValueBytes, encoding_);
    return encoding_ == TextEncoding::ShiftJis ? decodeShiftJis(cut) : std::string(cut);
}

int ProfileFile::readInteger(std::string_view section, std::string_view key, int fallback) const {
    return profileInteger(readString(section, key, ""), fallback);
}

void ProfileFile::writeString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view value) {
    requireWritable(path);
    const std::optional<std::string> current = readRegularFile(path);
    const std::string original = current.value_or(std::string());
    ProfileText text(original);
    if (detectEncoding(original) == TextEncoding::ShiftJis) {
        if (const auto encoded = encodeShiftJis(value))
            text.setValue(section, key, *encoded);
        else {
            text = ProfileText(decodeShiftJis(original));
            text.setValue(section, key, value);
        }
    } else {
        text.setValue(section, key, value);
    }
    if (current && text.bytes() == original)
        return;
    replaceAtomically(path, text.bytes());
}

void ProfileFile::writeInteger(const std::string& path, std::string_view section,
                               std::string_view key, int value) {
    writeString(path, section, key, std::to_string(value));
}

} // namespace tallyport
