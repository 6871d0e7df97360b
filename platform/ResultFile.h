#pragma once

#include <QString>
#include <stdexcept>
#include <string>

// The place of the result page file and how it is written and removed.
namespace vorlinda::platform::ResultFile {

class WriteError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The result page's full path: <runtime dir>/vorlinda-sozluk/tmp.htm on Linux
// (the directory created private to the user), C:\tmp.htm on Windows.
// Never throws: a directory that cannot be made private is left for write()
// to refuse.
QString path();

// Replaces the file at `filePath` with `bytes`, written under another name in
// the same directory and renamed over; never follows a link at the name.
// The directory must be the user's own and closed to others' writing (the
// page is read back from it); another is refused as "Operation not permitted".
// Throws WriteError("Cannot create file \"<path>\". <reason>") or
// WriteError("Stream write error").
void write(const QString &filePath, const std::string &bytes);

// Deletes the file when it exists as a file (not a directory); reports nothing.
void remove(const QString &filePath);

} // namespace vorlinda::platform::ResultFile
