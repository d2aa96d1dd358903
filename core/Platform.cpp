// SPDX-License-Identifier: MIT
#include "Platform.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tallyport {
namespace {

std::string systemReason(int error) {
    return std::strerror(error);
}

[[noreturn]] void fail(const std::string& what, const std::string& path, int error = errno) {
    throw FileError(what + " '" + path + "': " + systemReason(error));
}

std::string folderOrCurrent(const std::string& folder) {
    return folder.empty() ? "." : folder;
}

// Retries a system call interrupted by a signal.
template <typename Call> auto retrying(Call call) {
    decltype(call()) result;
    do {
        result = call();
    } while (result == -1 && errno == EINTR);
    return result;
}

void writeAll(int target, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = retrying([&] { return ::write(target, data, size); });
        if (written < 0)
            throw FileError(std::string("cannot write the copy: ") + systemReason(errno));
        data += written;
        size -= static_cast<size_t>(written);
    }
}

void copyByReadWrite(int source, int target) {
    std::array<char, 1 << 20> buffer{};
    for (;;) {
        const ssize_t got = retrying([&] { return ::read(source, buffer.data(), buffer.size()); });
        if (got < 0)
            throw FileError(std::string("cannot read the source: ") + systemReason(errno));
        if (got == 0)
            return;
        writeAll(target, buffer.data(), static_cast<size_t>(got));
    }
}

bool kernelCannotCopyBetween(int error) {
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP ||
           error == EBADF;
}

// A clone where the file system shares blocks, else the kernel's copy, else read and write.
void copyAllBytes(int source, int target) {
    if (::ioctl(target, FICLONE, source) == 0)
        return;
    for (bool first = true;; first = false) {
        const ssize_t copied = retrying(
            [&] { return ::copy_file_range(source, nullptr, target, nullptr, 1 << 30, 0); });
        // Some file systems answer "nothing to copy" rather than an error for files they cannot
        // copy in the kernel (procfs, some FUSE file systems).
        if (copied == 0 && first)
            return copyByReadWrite(source, target);
        if (copied == 0)
            return;
        if (copied < 0 && first && kernelCannotCopyBetween(errno))
            return copyByReadWrite(source, target);
        if (copied < 0)
            throw FileError(std::string("cannot write the copy: ") + systemReason(errno));
    }
}

} // namespace

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0)
        ::close(fd_);
}

TemporaryFile::TemporaryFile(FileDescriptor fd, std::string namedPath)
    : fd_(std::move(fd)), namedPath_(std::move(namedPath)) {}

TemporaryFile::~TemporaryFile() {
    if (!linked_ && !namedPath_.empty())
        ::unlink(namedPath_.c_str());
}

namespace {
Platform& realSystem() {
    static Platform instance;
    return instance;
}
Platform* currentPlatform = nullptr;
} // namespace

Platform& Platform::current() {
    return currentPlatform ? *currentPlatform : realSystem();
}

Platform::Override::Override(Platform& replacement)
    : previous_(std::exchange(currentPlatform, &replacement)) {}

Platform::Override::~Override() {
    currentPlatform = previous_;
}

std::string Platform::executablePath() {
    std::string path(4096, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0)
            fail("cannot find the executable", "/proc/self/exe");
        if (static_cast<size_t>(length) < path.size()) {
            path.resize(static_cast<size_t>(length));
            return path;
        }
        path.resize(path.size() * 2);
    }
}

bool Platform::fileExists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

bool Platform::listFolder(const std::string& folder, const EntryVisitor& visit) {
    struct DirCloser {
        void operator()(DIR* dir) const { ::closedir(dir); }
    };
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(folderOrCurrent(folder).c_str()));
    if (!dir)
        return false;
    while (const dirent* entry = ::readdir(dir.get())) {
        const EntryKind kind = entry->d_type == DT_DIR       ? EntryKind::Folder
                               : entry->d_type == DT_UNKNOWN ? EntryKind::Unknown
                                                             : EntryKind::NotFolder;
        visit(entry->d_name, kind);
    }
    return true;
}

bool Platform::isRegularFileItself(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

LinkOutcome Platform::linkExisting(const std::string& from, const std::string& to) {
    if (::link(from.c_str(), to.c_str()) == 0)
        return LinkOutcome::Linked;
    return errno == EEXIST ? LinkOutcome::NameTaken : LinkOutcome::NotLinked;
}

SourceFile Platform::openSource(const std::string& path) {
    // O_NONBLOCK keeps a FIFO or a device from stalling us before we can refuse it.
    FileDescriptor fd(
        retrying([&] { return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); }));
    if (!fd)
        fail("cannot open the source", path);
    SourceFile source{std::move(fd), {}};
    if (::fstat(source.fd.get(), &source.status) != 0)
        fail("cannot read the status of the source", path);
    if (!S_ISREG(source.status.st_mode))
        throw FileError("the source '" + path + "' is not a regular file");
    const int flags = ::fcntl(source.fd.get(), F_GETFL);
    ::fcntl(source.fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    return source;
}

TemporaryFile Platform::createTemporary(const std::string& folder) {
    const std::string where = folderOrCurrent(folder);
    FileDescriptor fd(::open(where.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, S_IRUSR | S_IWUSR));
    if (fd)
        return TemporaryFile(std::move(fd), {});
    // File systems without anonymous files get a hidden named one, removed on every failure path.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        fail("cannot create a file in", where);
    std::string pattern = where + "/.tallyport-XXXXXX";
    FileDescriptor named(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!named)
        fail("cannot create a file in", where);
    return TemporaryFile(std::move(named), pattern);
}

void Platform::copyContents(int source, int target) {
    copyAllBytes(source, target);
    // Whatever path the bytes took, a copy shorter than its source is never filed.
    struct stat from {
    }, to{};
    if (::fstat(source, &from) != 0 || ::fstat(target, &to) != 0)
        throw FileError(std::string("cannot check the copy's size: ") + systemReason(errno));
    if (to.st_size < from.st_size)
        throw FileError("the copy came out shorter than the source (" + std::to_string(to.st_size) +
                        " of " + std::to_string(from.st_size) + " bytes)");
}

void Platform::copyAttributes(const struct stat& from, int target) {
    if (::fchmod(target, from.st_mode & 0777) != 0)
        throw FileError(std::string("cannot set the copy's permissions: ") + systemReason(errno));
    const struct timespec times[2] = {from.st_atim, from.st_mtim};
    if (::futimens(target, times) != 0)
        throw FileError(std::string("cannot set the copy's times: ") + systemReason(errno));
}

void Platform::flush(int fd) {
    if (retrying([&] { return ::fsync(fd); }) != 0)
        throw FileError(std::string("cannot flush the copy to disk: ") + systemReason(errno));
}

bool Platform::linkNoReplace(TemporaryFile& file, const std::string& path) {
    int result;
    if (file.namedPath().empty()) {
        const std::string self = "/proc/self/fd/" + std::to_string(file.fd());
        result = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW);
    } else {
        result = ::renameat2(AT_FDCWD, file.namedPath().c_str(), AT_FDCWD, path.c_str(),
                             RENAME_NOREPLACE);
        // Without RENAME_NOREPLACE, a hard link is the other call that never replaces.
        if (result != 0 && errno == EINVAL) {
            result = ::link(file.namedPath().c_str(), path.c_str());
            if (result == 0)
                ::unlink(file.namedPath().c_str());
        }
    }
    if (result == 0) {
        file.markLinked();
        return true;
    }
    if (errno == EEXIST)
        return false;
    fail("cannot create", path);
}

void Platform::flushFolder(const std::string& folder) {
    const std::string where = folderOrCurrent(folder);
    FileDescriptor fd(::open(where.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd || retrying([&] { return ::fsync(fd.get()); }) != 0)
        fail("cannot flush the folder", where);
}

void Platform::removeFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0)
        fail("cannot delete", path);
}

} // namespace tallyport
