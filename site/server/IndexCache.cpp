#include "server/IndexCache.h"

#include "dict/ApertiumLexicon.h"
#include "dict/IndexFile.h"
#include "text/SiteLanguages.h"

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

namespace vorlinda::site {
namespace {

// English's counts of use, the same for every folder of dictionaries: in
// the cache itself, above the dictionaries' indexes.
std::filesystem::path englishIndex(const std::filesystem::path &indexDirectory)
{
    return indexDirectory.parent_path() / "english-frequency.vsi";
}

} // namespace

IndexCache::IndexCache(const SiteOptions &options, std::shared_ptr<Translator> translator,
                       Report log)
    : options_(options), translator_(std::move(translator)), log_(std::move(log))
{}

IndexCache::~IndexCache() = default;

std::filesystem::path IndexCache::fileFor(const Dictionary &dictionary)
{
    return dictionary.indexPath().stem().string() + ".vsi";
}

// Languages FreeDict leaves without English dictionaries come from
// Apertium's lexicons, which Debian installs beside the dictionaries
// (/usr/share/apertium next to /usr/share/dictd): made into dictionaries of
// the cache once, then read like FreeDict's.
void IndexCache::addApertiumDictionaries(const SiteOptions &options, Translator &translator)
{
    const std::filesystem::path apertium =
        (options.dictionaries / "..").lexically_normal() / "apertium";
    std::error_code ignored;
    if (!std::filesystem::is_directory(apertium, ignored))
        return;
    std::set<std::string> withEnglish{"english"};
    for (const std::string &pair : translator.directPairs()) {
        const std::string from = pair.substr(0, pair.find('>'));
        const std::string to = pair.substr(pair.find('>') + 1);
        if (from == "english" || to == "english")
            withEnglish.insert(from == "english" ? to : from);
    }
    const auto lacksEnglish = [&](std::string_view iso) {
        for (const SiteLanguage &language : siteLanguages())
            for (const std::string_view code : language.isoCodes)
                if (code == iso)
                    return !withEnglish.contains(std::string(language.code));
        return false;
    };
    const std::filesystem::path directory = options.cache / "apertium";
    ApertiumLexicon::prepare(
        apertium, directory,
        [&](std::string_view a, std::string_view b) { return lacksEnglish(a) || lacksEnglish(b); },
        [](const std::string &why) {
            std::cerr << "vorlinda-site: cannot read Apertium's lexicon " << why << "\n";
        },
        ApertiumLexicon::ltPrint);
    translator.addDictionaries(directory);
}

void IndexCache::build(const Translator &translator, const std::filesystem::path &directory,
                       const Report &report)
{
    const auto current = [](const std::filesystem::path &file, IndexFile::Kind kind,
                            std::uint64_t stamp) {
        try {
            IndexFile::open(file, kind, stamp)->checkAll();
            return true;
        } catch (const IndexError &) {
            return false;
        }
    };
    const auto told = [&](const std::filesystem::path &file) {
        std::error_code ignored;
        report(file.filename().string() + " " +
               std::to_string(std::filesystem::file_size(file, ignored)) + " bytes");
    };
    const std::filesystem::path english = englishIndex(directory);
    const std::uint64_t englishStamp = translator.englishIndexStamp();
    if (!current(english, IndexFile::Kind::EnglishFrequency, englishStamp)) {
        translator.countEnglishUse().writeIndex(english, englishStamp);
        if (!current(english, IndexFile::Kind::EnglishFrequency, englishStamp))
            throw std::runtime_error("cannot read back " + english.string());
        told(english);
    }
    for (const Dictionary *dictionary : translator.dictionaries()) {
        const std::filesystem::path file = directory / fileFor(*dictionary);
        if (current(file, IndexFile::Kind::Dictionary, dictionary->indexStamp()))
            continue;
        dictionary->buildIndex(file);
        // Read back whole: checked, and in the page cache page by page.
        if (!current(file, IndexFile::Kind::Dictionary, dictionary->indexStamp()))
            throw std::runtime_error("cannot read back " + file.string());
        told(file);
    }
}

bool IndexCache::open(Translator &translator, const std::filesystem::path &directory,
                      const Report &refused)
{
    translator.readEnglishIndex(englishIndex(directory));
    bool all = true;
    for (Dictionary *dictionary : translator.dictionaries())
        all = dictionary->openIndex(directory / fileFor(*dictionary), refused) && all;
    // English's counts are opened on their first use; here only whether
    // they are there to be.
    try {
        IndexFile::open(englishIndex(directory), IndexFile::Kind::EnglishFrequency,
                        translator.englishIndexStamp());
    } catch (const IndexError &error) {
        std::error_code ignored;
        if (std::filesystem::exists(englishIndex(directory), ignored))
            refused(error.what());
        all = false;
    }
    return all;
}

void IndexCache::reopen(const Translator &translator)
{
    for (Dictionary *dictionary : translator.dictionaries())
        dictionary->reopenIndex();
}

int IndexCache::buildAll(const SiteOptions &options, const Translator &translator)
{
    const std::filesystem::path directory = options.indexDirectory();
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    // Each folder of the cache names the dictionaries it indexes; those of
    // dictionaries gone (a test's, say) go too.
    std::ofstream(directory / "dictionaries") << options.dictionaries.string();
    for (const auto &folder : std::filesystem::directory_iterator(options.cache, ignored)) {
        std::string source;
        std::getline(std::ifstream(folder.path() / "dictionaries"), source);
        if (!source.empty() && !std::filesystem::exists(source, ignored))
            std::filesystem::remove_all(folder.path(), ignored);
    }
    // What a build cut short left behind ("x.vsi.part1234"), its builder gone.
    for (const auto &file : std::filesystem::directory_iterator(directory, ignored)) {
        const std::string name = file.path().filename().string();
        const std::size_t part = name.rfind(".part");
        if (part != std::string::npos &&
            ::kill(static_cast<pid_t>(std::atoi(name.c_str() + part + 5)), 0) != 0)
            std::filesystem::remove(file.path(), ignored);
    }
    const auto start = std::chrono::steady_clock::now();
    int built = 0;
    try {
        build(translator, directory, [&built](const std::string &file) {
            ++built;
            std::cout << "vorlinda-site: built " << file << std::endl;
        });
    } catch (const std::exception &error) {
        std::cerr << "vorlinda-site: cannot build the indexes in " << directory.string() << ": "
                  << error.what() << "\n";
        return 1;
    }
    std::uintmax_t bytes = 0;
    int files = 0;
    const auto count = [&](const std::filesystem::path &file) {
        const std::uintmax_t size = std::filesystem::file_size(file, ignored);
        if (!ignored) {
            bytes += size;
            ++files;
        }
    };
    count(options.cache / "english-frequency.vsi");
    for (const auto &file : std::filesystem::directory_iterator(directory, ignored))
        if (file.path().extension() == ".vsi")
            count(file.path());
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("vorlinda-site: %d indexes in %s, %.1f MiB; %d built in %.1f s\n", files,
                options.cache.c_str(), static_cast<double>(bytes) / (1024 * 1024), built, seconds);
    return 0;
}

// Until its index is built, a dictionary is read as it is and answers the
// same; the build runs in a child process and each index is taken up when
// it is done. A site started by hand reads the indexes the package built
// while all are current (one refused later leaves its dictionary read as it
// is); otherwise its own, where a current system index is read meanwhile.
void IndexCache::openAtStart()
{
    systemIndex_ = options_.noIndex ? std::nullopt : options_.systemIndexDirectory();
    if (systemIndex_ && open(*translator_, *systemIndex_, [this](const std::string &why) {
            if (!probing_)
                log_("vorlinda-site: index of the system refused: " + why +
                     "; vorlinda-site --build-index " + systemIndex_->parent_path().string() +
                     " builds it anew");
        })) {
        log_("vorlinda-site: reading the system's indexes in " + systemIndex_->string());
    } else if (!options_.noIndex) {
        const std::filesystem::path directory = options_.indexDirectory();
        builder_ = std::make_unique<IndexBuildProcess>(
            std::vector<std::string>{"/proc/self/exe", "--build-index", options_.cache.string(),
                                     "--dictionaries", options_.dictionaries.string()},
            [translator = translator_, log = log_, directory](bool built) {
                if (built)
                    reopen(*translator);
                log(built ? "vorlinda-site: indexes ready in " + directory.string()
                          : "vorlinda-site: indexes not built in " + directory.string() +
                                "; reading the dictionaries as they are");
            });
        IndexBuildProcess *build = builder_.get();
        const bool all = open(*translator_, directory, [this, build](const std::string &why) {
            log_("vorlinda-site: index refused, building it anew: " + why);
            build->start();
        });
        if (!all && build->start())
            log_("vorlinda-site: building the dictionaries' indexes in " + directory.string() +
                 " in the background");
    }
    probing_ = false;
}

} // namespace vorlinda::site
