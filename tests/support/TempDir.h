#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>

// A fresh folder under the system's temporary one, removed with all it
// holds when the test ends, however it ends (an ASSERT returns early).
class TempDir
{
public:
    explicit TempDir(const std::string &prefix = "vorlinda-test")
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / prefix).string() + "-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a folder like " + pattern);
        path_ = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    TempDir(TempDir &&other) noexcept : path_(std::exchange(other.path_, {})) {}
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    TempDir &operator=(TempDir &&) = delete;

    const std::filesystem::path &path() const { return path_; }
    operator const std::filesystem::path &() const & { return path_; }
    // Not of a temporary: its folder is gone before the path is used.
    operator const std::filesystem::path &() const && = delete;
    std::filesystem::path operator/(const std::filesystem::path &name) const
    {
        return path_ / name;
    }
    std::string string() const { return path_.string(); }
    // The folder is the caller's to remove from now on (a suite's, say).
    std::filesystem::path release() { return std::exchange(path_, {}); }

private:
    std::filesystem::path path_;
};
