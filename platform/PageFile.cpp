#include "platform/PageFile.h"

#ifdef _WIN32
#include <algorithm>
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vorlinda::platform::PageFile {

namespace {

// The system's text for an error, without the trailing blanks and periods
// that some systems put after it.
std::string reasonText(std::string reason)
{
    while (!reason.empty() && (reason.back() == ' ' || reason.back() == '.' ||
                               reason.back() == '\r' || reason.back() == '\n'))
        reason.pop_back();
    return reason;
}

WriteError cannotCreate(const std::string &fullPath, const std::string &reason)
{
    return WriteError("Cannot create file \"" + fullPath + "\". " + reasonText(reason));
}

WriteError streamWriteError()
{
    return WriteError("Stream write error");
}

#ifdef _WIN32

std::string fullPathOf(const std::string &path)
{
    char buffer[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : path;
}

std::string systemText(DWORD error)
{
    char buffer[512];
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, buffer, sizeof buffer, nullptr);
    return length > 0 ? std::string(buffer, length) : "Error " + std::to_string(error);
}

// Writes every byte; false when the system took fewer.
bool writeAll(HANDLE file, const std::string &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

#else

std::string fullPathOf(const std::string &path)
{
    if (path.starts_with('/'))
        return path;
    char cwd[4096];
    return ::getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + path : path;
}

// Closes a descriptor on every way out.
class Descriptor
{
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now, for the caller to see close's own failure.
    int close()
    {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_ = -1;
};

int writeAll(int fd, const std::string &bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return -1;
        written += static_cast<std::size_t>(n);
    }
    return 0;
}

struct Temporary
{
    int fd = -1;
    int error = 0;
    std::string name;
};

// Creates a fresh file next to the final name; only a name that did not
// exist is taken, and a link there is never followed.
Temporary createTemporary(int dirFd, const std::string &name)
{
    std::random_device random;
    Temporary temporary;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary.name = "." + name + "." + std::to_string(random());
        temporary.fd = ::openat(dirFd, temporary.name.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        temporary.error = errno;
        if (temporary.fd >= 0 || temporary.error != EEXIST)
            break;
    }
    return temporary;
}

#endif

} // namespace

#ifdef _WIN32

void write(const std::string &path, const std::string &bytes)
{
    const std::string fullPath = fullPathOf(path);
    const std::string dir = fullPath.substr(0, fullPath.find_last_of("\\/") + 1);
    // A fresh file of a name no other file has, in the page's directory.
    char temporary[MAX_PATH];
    if (GetTempFileNameA(dir.c_str(), "vrl", 0, temporary) == 0)
        throw cannotCreate(fullPath, systemText(GetLastError()));
    const HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        DeleteFileA(temporary);
        throw cannotCreate(fullPath, systemText(error));
    }
    const bool written = writeAll(file, bytes);
    if (!CloseHandle(file) || !written) {
        DeleteFileA(temporary);
        throw streamWriteError();
    }
    if (!MoveFileExA(temporary, fullPath.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileA(temporary);
        throw cannotCreate(fullPath, systemText(error));
    }
}

void remove(const std::string &path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        DeleteFileA(path.c_str());
}

#else

void write(const std::string &path, const std::string &bytes)
{
    const std::string fullPath = fullPathOf(path);
    const std::size_t slash = fullPath.rfind('/');
    const std::string dirPath = slash == 0 ? "/" : fullPath.substr(0, slash);
    const std::string name = fullPath.substr(slash + 1);
    Descriptor dir(::open(dirPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (dir.get() < 0)
        throw cannotCreate(fullPath, std::strerror(errno));
    struct stat dirInfo
    {};
    if (::fstat(dir.get(), &dirInfo) != 0)
        throw cannotCreate(fullPath, std::strerror(errno));
    if (dirInfo.st_uid != ::geteuid() || (dirInfo.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        throw cannotCreate(fullPath, std::strerror(EPERM));

    const Temporary temporary = createTemporary(dir.get(), name);
    if (temporary.fd < 0)
        throw cannotCreate(fullPath, std::strerror(temporary.error));
    Descriptor file(temporary.fd);
    const bool written = writeAll(file.get(), bytes) == 0;
    if (file.close() != 0 || !written) {
        ::unlinkat(dir.get(), temporary.name.c_str(), 0);
        throw streamWriteError();
    }
    // rename replaces whatever is at the name, a link included, without
    // following it.
    if (::renameat(dir.get(), temporary.name.c_str(), dir.get(), name.c_str()) != 0) {
        const int error = errno;
        ::unlinkat(dir.get(), temporary.name.c_str(), 0);
        throw cannotCreate(fullPath, std::strerror(error));
    }
}

void remove(const std::string &path)
{
    struct stat info
    {};
    if (::lstat(path.c_str(), &info) == 0 && (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)))
        ::unlink(path.c_str());
}

#endif

} // namespace vorlinda::platform::PageFile
