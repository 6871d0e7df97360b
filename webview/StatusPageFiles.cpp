#include "webview/StatusPageFiles.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace vorlinda::webview {

QTemporaryDir *StatusPageFiles::folder()
{
    if (!folder_) {
        // The user's runtime folder where there is one (memory, never disk);
        // the folder itself is the user's alone.
        QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (base.isEmpty())
            base = QDir::tempPath();
        folder_ = std::make_unique<QTemporaryDir>(base + QStringLiteral("/vorlinda-pages-XXXXXX"));
    }
    return folder_->isValid() ? folder_.get() : nullptr;
}

QUrl StatusPageFiles::add(const QString &html)
{
    QTemporaryDir *dir = folder();
    if (!dir)
        return {};
    QFile file(dir->filePath(QString::number(++lastId_) + QStringLiteral(".htm")));
    // The byte order mark tells the engine the encoding and adds nothing to
    // the document.
    const QByteArray bytes = "\xEF\xBB\xBF" + html.toUtf8();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return {};
    return QUrl::fromLocalFile(file.fileName());
}

void StatusPageFiles::release(const QUrl &address)
{
    if (owns(address))
        QFile::remove(address.toLocalFile());
}

bool StatusPageFiles::owns(const QUrl &address) const
{
    return folder_ && address.isLocalFile() &&
           address.toLocalFile().startsWith(folder_->path() + u'/');
}

} // namespace vorlinda::webview
