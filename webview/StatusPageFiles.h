#pragma once

#include <QHash>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

namespace vorlinda::webview {

// Serves the inline HTML of "about:" addresses as files of a private folder:
// a status page and the result page, a file too, are then of one site to the
// engine, which goes from one to the other in the same view as from one
// result to the next, painting the new page over the old. (Across sites it
// shows a new, white view until the new page paints.) No size limit, and
// images load over http like any other page's.
class StatusPageFiles
{
public:
    // Writes the page (as UTF-8, marked so) and returns its file address;
    // empty when the folder or the file cannot be written.
    QUrl add(const QString &html);
    // Removes the page's file.
    void release(const QUrl &address);
    // Whether the address is one of ours.
    bool owns(const QUrl &address) const;

private:
    QTemporaryDir *folder();

    std::unique_ptr<QTemporaryDir> folder_;
    quint64 lastId_ = 0;
};

} // namespace vorlinda::webview
