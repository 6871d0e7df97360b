#pragma once

#include "morph/Stemmer.h"
#include "morph/WordNetExceptions.h"

#include <condition_variable>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vorlinda::site {

// The dictionary forms of the words typed in each of the site's languages:
// Hunspell's stems, WordNet's irregular English forms, and guesses at
// Turkish endings. A language's files are read on its first word, once.
class Morphology
{
public:
    // How a language's files are read: on its first word, in the call; or
    // every language's on a worker from the start, in turn, where a word
    // that needs a language not yet read waits for it (reading it itself
    // when the worker has not come to it), so no answer goes without stems.
    enum class Loading
    {
        InCall,
        Background
    };

    // `hunspellDirectory` holds the ".aff"/".dic" pairs ("en_US.aff"),
    // `wordNetDirectory` WordNet's ".exc" lists. A language whose files are
    // missing has no morphology.
    Morphology(const std::filesystem::path &hunspellDirectory,
               const std::filesystem::path &wordNetDirectory, Loading loading = Loading::InCall);

    // The dictionary forms of `word` in the language `code`, most likely
    // first, without the word itself; a Turkish verb stem is followed by its
    // infinitive ("gel", "gelmek"), the dictionaries' headword.
    std::vector<std::string> stems(std::string_view code, std::string_view word) const;

    // Turkish stems guessed from the word's endings, for when `stems` leads
    // to no entry: a verb's by its infinitive, and only those Hunspell
    // spells, where its dictionary is there. A Swahili infinitive's stem
    // ("kula": "la") and an adjective's without its concord ("nzuri":
    // "zuri"). Empty for other languages.
    std::vector<std::string> guesses(std::string_view code, std::string_view word) const;

    // True when Hunspell takes `word` as an inflected form of another word
    // only ("kitaplar", "children"), not as a dictionary form of its own.
    bool inflected(std::string_view code, std::string_view word) const;

    // True when the language has a Hunspell dictionary (reads it).
    bool hasDictionary(std::string_view code) const;

private:
    struct Loaded
    {
        std::unique_ptr<const Stemmer> stemmer;
        std::unique_ptr<const WordNetExceptions> exceptions;
    };
    // Shared with the worker that reads it, which may outlive this object
    // at exit. What a language needs to be read is in it, so whoever comes
    // first, the worker or a word, reads it; the other waits.
    struct Slot
    {
        std::mutex mutex;
        std::condition_variable ready;
        bool started = false;
        std::shared_ptr<const Loaded> loaded;
        std::vector<std::string> names;
        std::filesystem::path hunspellDirectory;
        std::filesystem::path wordNetDirectory;
    };
    struct Language
    {
        std::shared_ptr<Slot> slot = std::make_shared<Slot>();
    };
    // The language's files, read first if need be.
    std::shared_ptr<const Loaded> language(std::string_view code) const;
    static std::shared_ptr<const Loaded> obtain(Slot &slot);
    static std::shared_ptr<const Loaded> load(const std::vector<std::string> &names,
                                              const std::filesystem::path &hunspellDirectory,
                                              const std::filesystem::path &wordNetDirectory);

    // One per site language, made in the constructor; only what each one
    // holds is filled in later.
    mutable std::map<std::string, Language, std::less<>> languages_;
};

} // namespace vorlinda::site
