#include "ResultFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef _WIN32
#include <QSaveFile>
#else
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vorlinda::platform {

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

ResultFile::WriteError cannotCreate(const QString &filePath, const std::string &reason)
{
    const QString fullPath = QDir::toNativeSeparators(QFileInfo(filePath).absoluteFilePath());
    return ResultFile::WriteError("Cannot create file \"" + fullPath.toStdString() + "\". " +
                                  reasonText(reason));
}

ResultFile::WriteError streamWriteError()
{
    return ResultFile::WriteError("Stream write error");
}

#ifndef _WIN32

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

// The directory that holds the page must be ours and closed to others: the
// web view reads the page back from it, and another user's directory could
// have the page swapped under us.
void makePrivateDirectory(const QByteArray &dir)
{
    if (::mkdir(dir.constData(), 0700) == 0)
        return;
    struct stat info
    {};
    if (errno != EEXIST || ::lstat(dir.constData(), &info) != 0)
        return;
    if (S_ISLNK(info.st_mode)) {
        // A link planted at our name: replace it by a directory of our own.
        if (::unlink(dir.constData()) == 0)
            ::mkdir(dir.constData(), 0700);
        return;
    }
    if (S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 07777) != 0700)
        ::chmod(dir.constData(), 0700);
}

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
    Temporary temporary;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary.name = "." + name + "." + std::to_string(QRandomGenerator::global()->generate());
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

namespace ResultFile {

#ifdef _WIN32

QString path()
{
    return QStringLiteral("C:\\tmp.htm");
}

void write(const QString &filePath, const std::string &bytes)
{
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        throw cannotCreate(filePath, file.errorString().toStdString());
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
        static_cast<qint64>(bytes.size()))
        throw streamWriteError();
    if (!file.commit())
        throw cannotCreate(filePath, file.errorString().toStdString());
}

void remove(const QString &filePath)
{
    if (QFileInfo(filePath).isFile())
        QFile::remove(filePath);
}

#else

QString path()
{
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        runtime = QDir::tempPath();
    const QString dir = runtime + QStringLiteral("/vorlinda-sozluk");
    makePrivateDirectory(QFile::encodeName(dir));
    return dir + QStringLiteral("/tmp.htm");
}

void write(const QString &filePath, const std::string &bytes)
{
    const QFileInfo info(filePath);
    const std::string name = QFile::encodeName(info.fileName()).toStdString();
    Descriptor dir(::open(QFile::encodeName(info.absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (dir.get() < 0)
        throw cannotCreate(filePath, std::strerror(errno));
    struct stat dirInfo
    {};
    if (::fstat(dir.get(), &dirInfo) != 0)
        throw cannotCreate(filePath, std::strerror(errno));
    if (dirInfo.st_uid != ::geteuid() || (dirInfo.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        throw cannotCreate(filePath, std::strerror(EPERM));

    const Temporary temporary = createTemporary(dir.get(), name);
    if (temporary.fd < 0)
        throw cannotCreate(filePath, std::strerror(temporary.error));
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
        throw cannotCreate(filePath, std::strerror(error));
    }
}

void remove(const QString &filePath)
{
    const QByteArray name = QFile::encodeName(filePath);
    struct stat info
    {};
    if (::lstat(name.constData(), &info) == 0 && (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)))
        ::unlink(name.constData());
}

#endif

} // namespace ResultFile

} // namespace vorlinda::platform
