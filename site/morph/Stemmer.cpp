#include "morph/Stemmer.h"

#include <hunspell/hunspell.hxx>

#include <iconv.h>

#include <algorithm>
#include <optional>

namespace vorlinda::site {
namespace {

// `text` from one encoding to another; nothing when a character has no
// place in the target encoding or the encoding is unknown.
std::optional<std::string> convert(std::string_view text, const std::string &to,
                                   const std::string &from)
{
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string in(text);
    std::string out(in.size() * 4 + 4, '\0');
    char *inPtr = in.data();
    char *outPtr = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1) || inLeft != 0)
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

bool isUtf8Name(std::string_view encoding)
{
    return encoding.empty() || encoding == "UTF-8" || encoding == "utf-8" || encoding == "UTF8";
}

} // namespace

Stemmer::Stemmer(std::unique_ptr<Hunspell> hunspell, std::string encoding)
    : hunspell_(std::move(hunspell)), encoding_(std::move(encoding))
{}

Stemmer::~Stemmer() = default;

std::unique_ptr<Stemmer> Stemmer::open(const std::filesystem::path &affPath,
                                       const std::filesystem::path &dicPath)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(affPath, error) ||
        !std::filesystem::is_regular_file(dicPath, error))
        return nullptr;
    auto hunspell = std::make_unique<Hunspell>(affPath.c_str(), dicPath.c_str());
    std::string encoding = hunspell->get_dict_encoding();
    if (isUtf8Name(encoding))
        encoding.clear();
    return std::unique_ptr<Stemmer>(new Stemmer(std::move(hunspell), std::move(encoding)));
}

std::vector<std::string> Stemmer::stems(std::string_view word) const
{
    const std::optional<std::string> asWritten =
        encoding_.empty() ? std::string(word) : convert(word, encoding_, "UTF-8");
    if (!asWritten)
        return {};
    std::vector<std::string> found;
    {
        std::lock_guard lock(mutex_);
        found = hunspell_->stem(*asWritten);
        if (found.empty()) {
            for (const std::string &analysis : hunspell_->analyze(*asWritten)) {
                const std::size_t at = analysis.find("st:");
                if (at == std::string::npos)
                    continue;
                const std::size_t end = analysis.find_first_of(" \t", at);
                found.push_back(analysis.substr(at + 3, end == std::string::npos ? std::string::npos
                                                                                 : end - at - 3));
            }
        }
    }
    std::vector<std::string> stems;
    for (const std::string &stem : found) {
        std::optional<std::string> utf8 =
            encoding_.empty() ? stem : convert(stem, "UTF-8", encoding_);
        if (utf8 && !utf8->empty() && std::find(stems.begin(), stems.end(), *utf8) == stems.end())
            stems.push_back(std::move(*utf8));
    }
    return stems;
}

bool Stemmer::knows(std::string_view word) const
{
    const std::optional<std::string> asWritten =
        encoding_.empty() ? std::string(word) : convert(word, encoding_, "UTF-8");
    if (!asWritten)
        return false;
    std::lock_guard lock(mutex_);
    return hunspell_->spell(*asWritten);
}

} // namespace vorlinda::site
