// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/stat.h>

namespace tallyport {

// A failed system call. The message names the operation, the path and the system's reason,
// so it can go to the user as it is.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Owns a file descriptor and closes it on every path.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// An open file to be filed, with its status after following links.
struct SourceFile {
    FileDescriptor fd;
    struct stat status {};
};

// A file being written in the output folder that has no name of its own yet. It disappears when
// this object is destroyed, unless it was linked under a name first.
class TemporaryFile {
public:
    TemporaryFile(FileDescriptor fd, std::string namedPath);
    TemporaryFile(TemporaryFile&&) = default;
    ~TemporaryFile();

    int fd() const { return fd_.get(); }
    // Empty for an anonymous (O_TMPFILE) file.
    const std::string& namedPath() const { return namedPath_; }
    void markLinked() { linked_ = true; }

private:
    FileDescriptor fd_;
    std::string namedPath_;
    bool linked_ = false;
};

enum class LinkOutcome { Linked, NameTaken, NotLinked };

enum class EntryKind { Folder, NotFolder, Unknown };

// The system calls the filing core makes, in one place, so the logic above reads plainly and tests
// can inject faults or count calls by overriding a method. Every method either succeeds or throws
// FileError, except where its result says otherwise.
class Platform {
public:
    virtual ~Platform() = default;

    // The instance the program's entry points use: the real system, unless a test has put an
    // Override in place.
    static Platform& current();

    // Makes another instance current for its lifetime (tests only).
    class Override {
    public:
        explicit Override(Platform& replacement);
        ~Override();
        Override(const Override&) = delete;
        Override& operator=(const Override&) = delete;

    private:
        Platform* previous_;
    };

    // The running executable's full path.
    virtual std::string executablePath();

    // True when an entry other than a folder exists at path. A dangling link counts: its name is
    // taken. Lookup failures (missing folder, no permission) count as "nothing there".
    virtual bool fileExists(const std::string& path);

    // Calls visit with the name and kind of every entry of folder ("" is the current folder);
    // the kind is Unknown where the file system does not tell it. False when the folder cannot be
    // listed. One metadata call, however many entries.
    using EntryVisitor = std::function<void(std::string_view name, EntryKind kind)>;
    virtual bool listFolder(const std::string& folder, const EntryVisitor& visit);

    // True when path itself (a link is not followed) is a regular file.
    virtual bool isRegularFileItself(const std::string& path);

    // Gives the file at from the second name to, never replacing anything: NameTaken when to
    // exists; NotLinked for any other failure (another file system, no hard links, permissions).
    virtual LinkOutcome linkExisting(const std::string& from, const std::string& to);

    // Opens path for reading without ever blocking. Throws FileError unless it is, after following
    // links, a regular file (folders, FIFOs, devices and sockets are refused).
    virtual SourceFile openSource(const std::string& path);

    // Creates a file without a name inside folder ("" is the current folder), readable and writable
    // by its owner only until copyAttributes runs.
    virtual TemporaryFile createTemporary(const std::string& folder);

    // Copies every byte from source to target with the kernel's copy (clone first, then
    // copy_file_range, then plain read/write where the file systems allow neither).
    virtual void copyContents(int source, int target);

    // Gives target the permission bits and the access and modification times of from.
    virtual void copyAttributes(const struct stat& from, int target);

    // Flushes a file's data to the storage device.
    virtual void flush(int fd);

    // Gives file the name path without ever replacing anything. Returns false when the name is
    // taken (by a file, a folder or a link); throws FileError on any other failure.
    virtual bool linkNoReplace(TemporaryFile& file, const std::string& path);

    // Makes a folder's new entries durable.
    virtual void flushFolder(const std::string& folder);

    // Removes the entry at path (a link itself, never its target).
    virtual void removeFile(const std::string& path);
};

} // namespace tallyport
