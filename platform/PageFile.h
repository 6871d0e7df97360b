#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// The result page on disk, by its 8-bit path, through the system's own calls
// (POSIX or Win32) and without Qt, so that the Windows build takes it too.
namespace vorlinda::platform::PageFile {

class WriteError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The page's fixed place on Windows.
inline constexpr std::string_view kWindowsPath = "C:\\tmp.htm";

// Replaces the file at `path` with `bytes`, written under another name in the
// same directory and renamed over, so that a failed write keeps the old page.
// POSIX: never follows a link at the name, and the directory must be the
// user's own and closed to others' writing (the page is read back from it);
// another is refused as "Operation not permitted".
// Throws WriteError("Cannot create file \"<full path>\". <reason>") or
// WriteError("Stream write error").
void write(const std::string &path, const std::string &bytes);

// Deletes the file when it exists as a file (not a directory); reports nothing.
void remove(const std::string &path);

} // namespace vorlinda::platform::PageFile
