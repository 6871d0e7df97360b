#include "morph/WordNetExceptions.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace vorlinda::site {
namespace {

// WordNet joins the words of a compound with underscores.
std::string asWritten(std::string word)
{
    std::replace(word.begin(), word.end(), '_', ' ');
    return word;
}

std::string lowerAscii(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

} // namespace

WordNetExceptions WordNetExceptions::load(const std::filesystem::path &directory)
{
    WordNetExceptions exceptions;
    for (const char *name : {"noun.exc", "verb.exc", "adj.exc", "adv.exc"}) {
        std::ifstream file(directory / name);
        std::string line;
        while (std::getline(file, line)) {
            std::istringstream words(line);
            std::string form, base;
            if (!(words >> form))
                continue;
            std::vector<std::string> &bases = exceptions.bases_[asWritten(form)];
            while (words >> base) {
                base = asWritten(base);
                if (std::find(bases.begin(), bases.end(), base) == bases.end())
                    bases.push_back(base);
            }
        }
    }
    return exceptions;
}

std::vector<std::string> WordNetExceptions::bases(std::string_view word) const
{
    const auto found = bases_.find(lowerAscii(word));
    return found == bases_.end() ? std::vector<std::string>{} : found->second;
}

} // namespace vorlinda::site
