#pragma once

#include "DictZipFile.h"
#include "DictdIndex.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace vorlinda::site {

// One dictd dictionary (index plus text). The files are read on the first
// lookup, so a site serving thirty dictionaries starts at once and only pays
// for the ones asked for.
class Dictionary
{
public:
    Dictionary(std::filesystem::path indexPath, std::filesystem::path textPath, bool turkishKeys);

    // The raw entry texts for `word` (UTF-8), case ignored. Throws
    // std::runtime_error when the files cannot be read.
    std::vector<std::string> lookup(std::string_view word) const;

    const std::filesystem::path &indexPath() const { return indexPath_; }

private:
    struct Loaded
    {
        DictdIndex index;
        DictZipFile text;
    };
    const Loaded &loaded() const;

    std::filesystem::path indexPath_;
    std::filesystem::path textPath_;
    bool turkishKeys_ = false;
    mutable std::mutex loadMutex_;
    mutable std::unique_ptr<const Loaded> loaded_;
};

} // namespace vorlinda::site
