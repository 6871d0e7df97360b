#include "dict/EnglishFrequency.h"

#include "text/TextFolding.h"

#include <cmath>
#include <fstream>
#include <map>

namespace vorlinda::site {
namespace {

// SCOWL's levels up to the rare words; past 70 its lists hold names,
// jargon and misspellings.
constexpr std::array<int, 8> kLevels = {10, 20, 35, 40, 50, 55, 60, 70};

// WordNet writes "ice_cream"; the dictionaries "ice cream".
std::string key(std::string_view word)
{
    std::string folded = foldCase(word, false);
    for (char &c : folded)
        if (c == '_')
            c = ' ';
    return folded;
}

// The table: every word's folded text in the pool, then one record per word
// in text order (text offset and length, the four counts, the level).
constexpr std::uint32_t kPool = 0;
constexpr std::uint32_t kWords = 1;
constexpr unsigned kWordFields = 7;

} // namespace

std::uint64_t EnglishFrequency::indexStamp(const std::filesystem::path &wordNetDirectory,
                                           const std::filesystem::path &scowlDirectory)
{
    std::vector<std::filesystem::path> sources{wordNetDirectory / "cntlist.rev"};
    for (const int level : kLevels)
        for (const char *spelling : {"english-words.", "american-words."})
            sources.push_back(scowlDirectory / (spelling + std::to_string(level)));
    return IndexFile::sourceStamp(sources);
}

void EnglishFrequency::writeIndex(const std::filesystem::path &file, std::uint64_t stamp) const
{
    std::map<std::string_view, Counted> words;
    for (const auto &[word, counts] : counts_)
        words[word].counts = counts;
    for (const auto &[word, level] : levels_)
        words[word].level = level;
    IndexWriter out(2);
    for (const auto &[word, counted] : words) {
        const auto [offset, length] = out.addString(kPool, word);
        for (const std::uint32_t value :
             {offset, length, counted.counts[0], counted.counts[1], counted.counts[2],
              counted.counts[3], std::uint32_t{counted.level}})
            out.add(kWords, value);
    }
    out.write(file, IndexFile::Kind::EnglishFrequency, stamp);
}

EnglishFrequency EnglishFrequency::fromIndex(std::shared_ptr<const IndexFile> file)
{
    // A few megabytes, read on the first English ranking: checked whole, so
    // no lookup later meets a damaged block.
    file->checkAll();
    EnglishFrequency frequency;
    frequency.words_ = file->records(kWords, kWordFields);
    frequency.index_ = std::move(file);
    return frequency;
}

std::optional<EnglishFrequency::Counted> EnglishFrequency::indexed(const std::string &key) const
{
    std::uint32_t low = 0;
    std::uint32_t high = words_.count();
    while (low < high) {
        const std::uint32_t middle = low + (high - low) / 2;
        const IndexFile::Record record = words_.at(middle);
        const std::string text = index_->bytes(kPool, record[0], record[1]);
        if (text == key) {
            Counted counted;
            for (unsigned i = 0; i < 4; ++i)
                counted.counts[i] = record[2 + i];
            counted.level = static_cast<std::uint8_t>(record[6]);
            return counted;
        }
        if (text < key)
            low = middle + 1;
        else
            high = middle;
    }
    return std::nullopt;
}

EnglishFrequency EnglishFrequency::load(const std::filesystem::path &wordNetDirectory,
                                        const std::filesystem::path &scowlDirectory)
{
    EnglishFrequency frequency;
    // "house%1:06:00:: 1 345": lemma, the synset type after the "%", and
    // the count last.
    std::ifstream counts(wordNetDirectory / "cntlist.rev");
    for (std::string line; std::getline(counts, line);) {
        const std::size_t percent = line.find('%');
        const std::size_t lastBlank = line.rfind(' ');
        if (percent == std::string::npos || lastBlank == std::string::npos ||
            percent + 1 >= line.size())
            continue;
        const int type = line[percent + 1] - '0';
        if (type < 1 || type > 5)
            continue;
        const int slot = type == 5 ? 2 : type - 1;
        frequency.counts_[key(std::string_view(line).substr(0, percent))][slot] +=
            static_cast<std::uint32_t>(std::strtoul(line.c_str() + lastBlank + 1, nullptr, 10));
    }
    for (const int level : kLevels) {
        for (const char *spelling : {"english-words.", "american-words."}) {
            std::ifstream words(scowlDirectory / (spelling + std::to_string(level)));
            for (std::string word; std::getline(words, word);) {
                const auto [at, added] =
                    frequency.levels_.emplace(key(word), static_cast<std::uint8_t>(level));
                if (!added && at->second > level)
                    at->second = static_cast<std::uint8_t>(level);
            }
        }
    }
    return frequency;
}

std::uint32_t EnglishFrequency::count(std::string_view word, PartOfSpeech partOfSpeech) const
{
    std::array<std::uint32_t, 4> counts{};
    if (index_) {
        const auto found = indexed(key(word));
        if (!found)
            return 0;
        counts = found->counts;
    } else {
        const auto found = counts_.find(key(word));
        if (found == counts_.end())
            return 0;
        counts = found->second;
    }
    const auto &[noun, verb, adjective, adverb] = counts;
    switch (partOfSpeech) {
    case PartOfSpeech::Noun:
        return noun;
    case PartOfSpeech::Verb:
        return verb;
    case PartOfSpeech::Adjective:
        return adjective;
    case PartOfSpeech::Adverb:
        return adverb;
    case PartOfSpeech::Unknown:
        break;
    }
    return noun + adjective;
}

int EnglishFrequency::level(std::string_view word) const
{
    if (index_) {
        const auto found = indexed(key(word));
        return found ? found->level : 0;
    }
    const auto found = levels_.find(key(word));
    return found == levels_.end() ? 0 : found->second;
}

double EnglishFrequency::weight(std::string_view word, PartOfSpeech partOfSpeech) const
{
    const int scowl = level(word);
    // Level 10 adds 2, level 60 about 0.3, level 70 and the unlisted nothing.
    const double common = scowl == 0 ? 0.0 : std::max(0.0, (70.0 - scowl) / 30.0);
    return std::log2(1.0 + count(word, partOfSpeech)) + common;
}

} // namespace vorlinda::site
