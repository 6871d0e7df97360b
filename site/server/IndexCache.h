#pragma once

#include "server/IndexBuildProcess.h"
#include "server/SiteOptions.h"
#include "web/Translator.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vorlinda::site {

// The dictionaries' on-disk indexes in the site's cache: where each one
// lives, building those missing or stale (the --build-index run), opening
// them at start (the system's while all are current, else the site's own,
// built in the background meanwhile) and taking up a finished build. Also
// the dictionaries the cache makes of Apertium's lexicons.
class IndexCache
{
public:
    using Report = std::function<void(const std::string &)>;

    // Every line worth the operator's eye goes to `log`, also from the
    // background build's thread: `log` outlives this object.
    IndexCache(const SiteOptions &options, std::shared_ptr<Translator> translator, Report log);
    // Ends a background build under way.
    ~IndexCache();
    IndexCache(const IndexCache &) = delete;
    IndexCache &operator=(const IndexCache &) = delete;

    // At start: lookups read the indexes from here on, each one as it is
    // ready.
    void openAtStart();

    // Languages FreeDict leaves without English dictionaries (Romanian) get
    // theirs from Apertium's lexicons, made into dictionaries of the cache.
    static void addApertiumDictionaries(const SiteOptions &options, Translator &translator);
    // The --build-index run: builds every missing or stale index, then
    // prints how long that took and how large they are. The exit status.
    static int buildAll(const SiteOptions &options, const Translator &translator);

    // The index file of a dictionary, in its folder of the cache.
    static std::filesystem::path fileFor(const Dictionary &dictionary);
    // DictionaryIndex, one file per dictionary, in `directory`, and English's
    // counts of use in its parent: builds each one missing, stale or
    // damaged; tells each one built, with its size, to `report`. Throws
    // std::runtime_error when one cannot be.
    static void build(const Translator &translator, const std::filesystem::path &directory,
                      const Report &report);
    // Lookups use the indexes in `directory` from now on, each one that is
    // current; a refused one is told to `refused`. True when all are there.
    static bool open(Translator &translator, const std::filesystem::path &directory,
                     const Report &refused);
    // Takes up the indexes built since; safe during lookups.
    static void reopen(const Translator &translator);

private:
    const SiteOptions &options_;
    std::shared_ptr<Translator> translator_;
    Report log_;
    std::optional<std::filesystem::path> systemIndex_;
    bool probing_ = true; // stale system indexes are not worth a line while choosing
    std::unique_ptr<IndexBuildProcess> builder_;
};

} // namespace vorlinda::site
