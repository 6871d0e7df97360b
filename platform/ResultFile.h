#pragma once

#include "platform/PageFile.h"

#include <QString>
#include <string>

// The place of the result page file and how it is written and removed.
namespace vorlinda::platform::ResultFile {

using WriteError = PageFile::WriteError;

// The result page's full path: <runtime dir>/vorlinda-sozluk/tmp.htm on Linux
// (the directory created private to the user), C:\tmp.htm on Windows.
// Never throws: a directory that cannot be made private is left for write()
// to refuse.
QString path();

// Replaces the file at `filePath` with `bytes` as PageFile::write does.
// Throws WriteError("Cannot create file \"<path>\". <reason>") or
// WriteError("Stream write error").
void write(const QString &filePath, const std::string &bytes);

// Deletes the file when it exists as a file (not a directory); reports nothing.
void remove(const QString &filePath);

} // namespace vorlinda::platform::ResultFile
