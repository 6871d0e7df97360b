#include "platform/ResultFile.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#ifndef _WIN32
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vorlinda::platform {

namespace {

#ifndef _WIN32

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

#endif

} // namespace

namespace ResultFile {

QString path()
{
#ifdef _WIN32
    return QString::fromLatin1(PageFile::kWindowsPath);
#else
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        runtime = QDir::tempPath();
    const QString dir = runtime + QStringLiteral("/vorlinda-sozluk");
    makePrivateDirectory(QFile::encodeName(dir));
    return dir + QStringLiteral("/tmp.htm");
#endif
}

void write(const QString &filePath, const std::string &bytes)
{
    PageFile::write(QFile::encodeName(filePath).toStdString(), bytes);
}

void remove(const QString &filePath)
{
    PageFile::remove(QFile::encodeName(filePath).toStdString());
}

} // namespace ResultFile

} // namespace vorlinda::platform
